#pragma once
// Opening the maker's privacy page: through the maker's link opener when one is installed in a
// protected folder above this program, else through a browser. Failures are silent.

namespace pv {

// The click handler of the "Privacy Policy" link item. Returns true when a program was started
// or a browser call succeeded (callers may ignore it).
bool rd1LinkItems0Click();

} // namespace pv
