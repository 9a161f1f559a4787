// Signals turned into bytes on a pipe, so that a thread of ours, not the
// signal handler, acts on them: the handler only writes the signal's number
// (async-signal-safe, no lock). Used by the console's break events and the
// service dispatcher's SIGTERM.
#pragma once

#include <initializer_list>

// Installs the handler for each signal and returns the pipe's read end (one
// byte per signal delivered; the write end never blocks, so a burst may be
// shortened), or -1 with errno. A signal belongs to one watcher at a time.
int WatchSignals(std::initializer_list<int> signals);

// Gives the signal back its default action; its bytes stop.
void UnwatchSignal(int signal);
