#pragma once
// How the process ends when a thread could not be stopped. A sound device
// that never returns from the driver holds SDL's audio thread, and whoever
// closes it, for ever: such a thread is left behind rather than waited for,
// and once everything else is restored (the desktop's mode, the settings on
// disk, the windows closed) the process ends without the exit handlers and
// destructors that could wait on it.
namespace velmo {

// Says that a thread was left behind in a call that may never return. Any
// thread; costs an atomic store.
void NoteThreadLeftBehind();

// The last call of main, with its exit code: returns the code when nothing
// was left behind; otherwise flushes the standard streams and ends the
// process at once with that code.
int FinishProcess(int code);

}  // namespace velmo
