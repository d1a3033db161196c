// The process environment as the program's libraries will read it, made fit before they start.
#pragma once

namespace xr::posix {

// Drops XDG base directories that are not absolute paths (the XDG convention holds them
// invalid), and takes HOME from the password database when it is unset or not absolute. Without
// this, fonts, the X authority and the cue's cache would all be looked up under whatever
// directory the program happened to be started from. Call before any thread or library starts.
void SettleHomeAndBaseDirs();

}  // namespace xr::posix
