// How the desktop keeps its process-wide tables (the windows, the queues,
// the focus, the message-box sink, the modal agent, the modules' resources,
// the GDI objects and icons): made on first use and never destroyed, as the
// system's own outlive every module. A library unloaded while the process
// exits, after the exit handlers ran, or an object that a host releases
// from its own exit handler still finds them; being reachable to the end,
// they are no leak either. The library itself is never unloaded
// (CMakeLists.txt), so they stay reachable after a dlclose too.
#pragma once

// The one `State` of the calling file; each file names a type of its own.
template <class State>
State& DesktopState() {
  static State& state = *new State;
  return state;
}
