// Builds the page as one file: the template with each script inlined and a content security
// policy that admits exactly those scripts by hash. Usage: node assemble.mjs TEMPLATE OUT JS...
import { createHash } from "node:crypto";
import { readFileSync, renameSync, writeFileSync } from "node:fs";

const [template, out, ...scripts] = process.argv.slice(2);
const hashes = [];
const blocks = scripts.map((path) => {
  // "</script" inside a script would end the element early.
  const code = readFileSync(path, "utf8").replace(/<\/(script)/gi, "<\\/$1");
  hashes.push(`'sha256-${createHash("sha256").update(code, "utf8").digest("base64")}'`);
  return `<script>${code}</script>`;
});
const policy = [
  "default-src 'none'",
  `script-src ${hashes.join(" ")} 'wasm-unsafe-eval'`,
  "style-src 'unsafe-inline'",
  "connect-src 'self'", // #archive=<url> on the page's own server
  "base-uri 'none'",
  "form-action 'none'",
].join("; ");
const page = readFileSync(template, "utf8")
  .replace("@CSP@", () => policy)
  .replace("@SCRIPTS@", () => blocks.join("\n"));
writeFileSync(out + ".tmp", page);
renameSync(out + ".tmp", out);
