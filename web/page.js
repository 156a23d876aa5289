// The pvtriage page: file input, drop and #archive=<url>, the archive read with zip.js, the DOM.
// Every rule, sentence and view comes from the triage core (createPvTriage, WebAssembly); this
// script only moves bytes. The core names the members it needs; only those are decompressed.
"use strict";
(() => {
  const Output = { html: 0, json: 1, text: 2, error: 3 };
  // ArchiveProblem in the core: why the central directory could not be read.
  const Problem = { empty: 0, notZip: 1, truncated: 2, inconsistent: 3, multiVolume: 4, tooLarge: 5 };
  const WINDOW_DAYS = 7;
  const STORED = 0;
  const DEFLATED = 8;
  // A member larger than its header declares shows by one byte more; reading stops there.
  const OVERFLOW_BYTE = 1;
  const YIELD_EVERY = 20000; // directory entries between two turns of the event loop

  const utf8 = new TextEncoder();
  const fromUtf8 = new TextDecoder("utf-8");
  const $ = (id) => document.getElementById(id);
  let core = null;
  const shown = []; // analysed sessions on screen: { session, name, html, json }

  function status(text) {
    $("status").textContent = text;
  }

  // The module's WebAssembly is embedded in the page. Its loader would first try fetch() on the
  // embedded data: URL, which the page's policy refuses; without fetch it decodes the data itself.
  function loadCore() {
    const saved = window.fetch;
    window.fetch = undefined;
    try {
      return createPvTriage();
    } finally {
      window.fetch = saved;
    }
  }

  function putBytes(session, bytes) {
    const pointer = core._pv_buffer(session, bytes.length);
    if (pointer === 0 && bytes.length > 0) throw new Error("out of memory");
    core.HEAPU8.set(bytes, pointer); // HEAPU8 is read after the call: memory may have grown
  }

  function text(pointer, session) {
    if (pointer === 0) return "";
    return fromUtf8.decode(core.HEAPU8.subarray(pointer, pointer + core._pv_output_length(session)));
  }

  function output(session, kind) {
    return text(core._pv_output(session, kind), session);
  }

  function newSession(name) {
    const bytes = utf8.encode(name + "\0");
    const pointer = core._malloc(bytes.length);
    core.HEAPU8.set(bytes, pointer);
    const session = core._pv_session_new(pointer, WINDOW_DAYS);
    core._free(pointer);
    if (session === 0) throw new Error("out of memory");
    return session;
  }

  // The DOS date and time fields as the tool writes them: UTC.
  function dosTime(raw) {
    const date = raw >>> 16;
    const time = raw & 0xffff;
    return Date.UTC(1980 + (date >>> 9), ((date >>> 5) & 15) - 1, date & 31,
      time >>> 11, (time >>> 5) & 63, (time & 31) * 2) / 1000;
  }

  function modifiedTime(entry) {
    const stamp = entry.extraFieldExtendedTimestamp;
    if (stamp && stamp.rawLastModDate !== undefined) return stamp.rawLastModDate | 0;
    return entry.rawLastModDate === undefined ? NaN : dosTime(entry.rawLastModDate);
  }

  async function startsWithLocalHeader(blob) {
    const head = new Uint8Array(await blob.slice(0, 4).arrayBuffer());
    return head.length === 4 && head[0] === 0x50 && head[1] === 0x4b && head[2] === 3 && head[3] === 4;
  }

  async function directoryProblem(blob, error) {
    const message = String(error && error.message);
    if (message === zip.ERR_EOCDR_NOT_FOUND || message === zip.ERR_BAD_FORMAT)
      return (await startsWithLocalHeader(blob)) ? Problem.truncated : Problem.notZip;
    if (message === zip.ERR_SPLIT_ZIP_FILE) return Problem.multiVolume;
    if (error instanceof RangeError) return Problem.tooLarge;
    return Problem.inconsistent;
  }

  const CRC_START = 0xffffffff;
  const CRC_TABLE = (() => {
    const table = new Uint32Array(256);
    for (let n = 0; n < 256; n++) {
      let c = n;
      for (let k = 0; k < 8; k++) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
      table[n] = c >>> 0;
    }
    return table;
  })();

  function crc32(crc, bytes) {
    for (let i = 0; i < bytes.length; i++) crc = CRC_TABLE[(crc ^ bytes[i]) & 0xff] ^ (crc >>> 8);
    return crc >>> 0;
  }

  // Up to `limit` bytes of a member through a stream that refuses more: a deflate bomb stops
  // after limit + 1 bytes whatever its header says.
  async function readMember(entry, declared) {
    const limit = declared + OVERFLOW_BYTE;
    const chunks = [];
    let total = 0;
    let damaged = false;
    // zip.js withholds the data of a member whose CRC fails; it is checked here instead, so
    // that a damaged member keeps what was read, as the native reader's does.
    const writeTo = (chunk) => {
      const room = limit - total;
      if (chunk.length > room) {
        chunks.push(chunk.slice(0, room));
        total = limit;
        throw new Error("more data than its header declares");
      }
      chunks.push(chunk.slice());
      total += chunk.length;
    };
    let crc = CRC_START;
    try {
      await entry.getData(new WritableStream({
        write(chunk) {
          crc = crc32(crc, chunk);
          writeTo(chunk);
        },
      }), { checkSignature: false, useWebWorkers: false });
    } catch (error) {
      damaged = true;
    }
    if (total !== declared || (crc ^ CRC_START) >>> 0 !== entry.signature >>> 0) damaged = true;
    const bytes = new Uint8Array(total);
    let at = 0;
    for (const chunk of chunks) {
      bytes.set(chunk, at);
      at += chunk.length;
    }
    return { bytes, damaged };
  }

  // One archive through the core; returns the session (analysed, or holding its sentence).
  async function analyse(blob, name) {
    const session = newSession(name);
    const wanted = new Map(); // index -> zip.js entry, for the members the core will read
    if (blob.size === 0) {
      core._pv_directory_failed(session, Problem.empty);
      return { session, ok: false };
    }
    const reader = new zip.ZipReader(new zip.BlobReader(blob), {
      useWebWorkers: false, filenameValidation: "tolerant",
    });
    try {
      let index = 0;
      for await (const entry of reader.getEntriesGenerator()) {
        const stored = memberName(entry);
        putBytes(session, stored);
        const method = entry.compressionMethod;
        const supported = method === STORED || method === DEFLATED;
        const answer = core._pv_member_add(session, stored.length, entry.uncompressedSize,
          modifiedTime(entry), entry.encrypted ? 1 : 0, method, supported ? 1 : 0);
        if (answer < 0) break;
        if (answer === 1) wanted.set(index, entry);
        index += 1;
        // A directory of a million members takes a while: let the page draw and answer.
        if (index % YIELD_EVERY === 0) {
          status("Reading " + name + ": " + index.toLocaleString("en") + " members …");
          await new Promise((resume) => setTimeout(resume, 0));
        }
      }
    } catch (error) {
      core._pv_directory_failed(session, await directoryProblem(blob, error));
    }
    for (let index = core._pv_read_next(session); index >= 0; index = core._pv_read_next(session)) {
      const entry = wanted.get(index);
      const { bytes, damaged } = await readMember(entry, entry.uncompressedSize);
      putBytes(session, bytes);
      core._pv_read_done(session, bytes.length, damaged ? 1 : 0);
    }
    await reader.close().catch(() => {});
    return { session, ok: core._pv_analyse(session) === 0 };
  }

  // A stored name as UTF-8: the bytes themselves when they are valid UTF-8 (flagged or not),
  // else zip.js's CP437 reading of them.
  function memberName(entry) {
    const raw = entry.rawFilename;
    if (raw) {
      try {
        new TextDecoder("utf-8", { fatal: true }).decode(raw);
        return raw;
      } catch (error) {
        // not UTF-8: CP437 below
      }
    }
    return utf8.encode(entry.filename);
  }

  // The core's page, shown in this one: its style and body, never its scripts (it has none).
  function showPage(html) {
    const page = new DOMParser().parseFromString(html, "text/html");
    const view = $("view");
    view.replaceChildren();
    for (const style of page.querySelectorAll("head style")) view.append(document.adoptNode(style));
    for (const node of [...page.body.childNodes]) view.append(document.adoptNode(node));
  }

  function showError(name, sentence) {
    const view = $("view");
    view.replaceChildren();
    const p = document.createElement("p");
    p.className = "problem";
    p.textContent = sentence;
    view.append(p);
    document.title = "pvtriage: " + name;
  }

  function save(fileName, type, content) {
    const link = document.createElement("a");
    link.href = URL.createObjectURL(new Blob([content], { type }));
    link.download = fileName;
    document.body.append(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(link.href), 1000);
  }

  function baseName(name) {
    return name.replace(/\.zip$/i, "");
  }

  function forget() {
    for (const item of shown.splice(0)) core._pv_session_free(item.session);
  }

  function showComparison(older, newer) {
    const diff = text(core._pv_diff(older.session, newer.session, Output.text), newer.session);
    const json = text(core._pv_diff(older.session, newer.session, Output.json), newer.session);
    const pre = document.createElement("pre");
    pre.id = "comparison";
    pre.textContent = diff;
    $("view").prepend(pre);
    $("save-json").onclick = () => save(baseName(newer.name) + "-changes.json", "application/json", json);
  }

  // Files dropped or chosen: one archive, or two of one machine (older first by name when both
  // come at once). A single archive after one already shown is compared with it.
  async function open(files) {
    const started = performance.now();
    document.body.dataset.state = "reading";
    status("Reading " + files.map((f) => f.name).join(", ") + " …");
    try {
      if (!core) core = await loadCore();
      if (files.length > 1 || shown.length !== 1) forget();
      for (const file of files.slice(-2)) {
        const { session, ok } = await analyse(file, file.name);
        if (!ok) {
          const sentence = output(session, Output.error);
          core._pv_session_free(session);
          forget();
          showError(file.name, sentence);
          $("save-json").disabled = $("save-page").disabled = true;
          status("");
          document.body.dataset.state = "error";
          return;
        }
        if (shown.length === 2) core._pv_session_free(shown.shift().session);
        shown.push({ session, name: file.name, html: output(session, Output.html),
          json: output(session, Output.json) });
      }
      const newest = shown[shown.length - 1];
      showPage(newest.html);
      document.title = "pvtriage: " + newest.name;
      $("save-json").disabled = $("save-page").disabled = false;
      $("save-json").onclick = () => save(baseName(newest.name) + ".json", "application/json", newest.json);
      $("save-page").onclick = () => save(baseName(newest.name) + ".html", "text/html", newest.html);
      if (shown.length === 2) showComparison(shown[0], shown[1]);
      status("");
      document.body.dataset.millis = String(Math.round(performance.now() - started));
      document.body.dataset.coreBytes = String(core.HEAPU8.length);
      document.body.dataset.state = "shown";
    } catch (error) {
      console.error(error && error.stack ? error.stack : String(error));
      // A module that trapped is not used again: the next archive gets a fresh one.
      core = null;
      shown.length = 0;
      showError("", "The page could not read the archive: " + (error && error.message) + ".");
      document.body.dataset.state = "error";
      status("");
    }
  }

  async function openUrl(url) {
    const name = decodeURIComponent(url.split(/[?#]/)[0].split("/").pop() || "archive.zip");
    try {
      const response = await fetch(url, { credentials: "same-origin" });
      if (!response.ok) throw new Error(response.status + " " + response.statusText);
      await open([new File([await response.blob()], name)]);
    } catch (error) {
      showError(name, "cannot fetch " + url + ": " + (error && error.message) + ".");
      document.body.dataset.state = "error";
    }
  }

  function fromHash() {
    const match = /(?:^#|&)archive=([^&]*)/.exec(location.hash);
    if (match) openUrl(decodeURIComponent(match[1]));
  }

  document.addEventListener("DOMContentLoaded", () => {
    $("file").addEventListener("change", (event) => {
      const files = [...event.target.files].sort((a, b) => a.name.localeCompare(b.name));
      if (files.length) open(files);
      event.target.value = "";
    });
    document.addEventListener("dragover", (event) => {
      event.preventDefault();
      document.body.classList.add("dragging");
    });
    document.addEventListener("dragleave", () => document.body.classList.remove("dragging"));
    document.addEventListener("drop", (event) => {
      event.preventDefault();
      document.body.classList.remove("dragging");
      const files = [...event.dataTransfer.files].sort((a, b) => a.name.localeCompare(b.name));
      if (files.length) open(files);
    });
    window.addEventListener("hashchange", fromHash);
    document.body.dataset.state = "ready";
    fromHash();
  });
})();
