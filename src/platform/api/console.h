#pragma once

namespace kestro::platform {

// The process's standard output and standard error, as console programs see them.
enum class StandardStream { kOutput, kError };

// True when the stream is an interactive terminal (a console window, a
// terminal emulator, tmux) rather than a file or a pipe.
bool IsTerminal(StandardStream stream);

// The terminal's width in characters; 0 when the stream is no terminal or
// the width cannot be told.
int TerminalColumns(StandardStream stream);

}  // namespace kestro::platform
