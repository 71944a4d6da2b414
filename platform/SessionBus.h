#pragma once

#include <string>

// The environment variable the message-bus library reads the session bus's
// address from, and the value it is given where no bus can be reached: no
// address it can connect to, so it gives up at once.
inline constexpr char kSessionBusAddressVariable[] = "DBUS_SESSION_BUS_ADDRESS";
inline constexpr char kNoSessionBus[] = "disabled:";

// Whether a session bus may be reachable: its address is given, the user's
// bus socket is in `runtimeDirectory`, or the bus launcher could start one,
// found at `launcher` or, under the same name, on `searchPath` as a program
// search finds it.
bool sessionBusReachable(const char *address, const char *runtimeDirectory, const char *searchPath,
                         const std::string &launcher);

// Where no session bus runs and none can be started, the message-bus library
// still forks the whole process at the first connection to look for its
// launcher, and every page of the process is then copied on its next write;
// on start-up that delays the first paint by several milliseconds. This tells
// the library that there is no bus instead, and does nothing where one may be
// reachable. It sets an environment variable: call it first in main, before
// any other thread exists.
void skipFutileSessionBusLaunch();
