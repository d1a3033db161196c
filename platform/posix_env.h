// The process environment as the program's libraries will read it, made fit before they start.
#pragma once

namespace xr::posix {

// Drops XDG base directories that are not absolute paths (the XDG convention holds them
// invalid), and takes HOME from the password database when it is unset or not absolute. Without
// this, fonts, the X authority and the cue's cache would all be looked up under whatever
// directory the program happened to be started from. Call before any thread or library starts.
void SettleHomeAndBaseDirs();

// Raises the soft limit on open files to the hard one, and returns the limit now in force. The
// toolkit takes descriptors as it goes (a shared-memory image for each resize, a wake-up pipe for
// each thread) and some of its failures to get one are fatal or hang the window for good.
long RaiseOpenFileLimit();

// Whether at least n more descriptors can be opened right now.
bool DescriptorsFree(int n);

// With no session bus given, none is to be had: the bus library would otherwise start one
// (dbus-launch --autolaunch) for whichever part of the toolkit first asks, a daemon that outlives
// the program and writes under the home directory. Call before any thread or library starts.
void NoSessionBusUnlessGiven();

// A write that fails is handled where it happens: a cue beyond the file-size limit is removed, a
// line for a stderr whose reader has gone is lost. As SIGXFSZ and SIGPIPE, the same failures
// would end the program instead; after this call they only make the write fail (EFBIG, EPIPE).
// Call before any thread starts.
void SurviveFailedWrites();

}  // namespace xr::posix
