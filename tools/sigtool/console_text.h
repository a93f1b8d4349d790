// sigtool's texts for people. They are Windows-1251, like the literals of the program and the
// kit's own messages; on a console they are written as UTF-16, so that any console code page
// shows them, and into a pipe or a file as UTF-8, which scripts and logs read.
#pragma once

#include <string>

namespace sigtool {

void Out(const std::string& text);
void Err(const std::string& text);

}  // namespace sigtool
