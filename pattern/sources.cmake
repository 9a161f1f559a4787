# The engine's sources, one file per stage; shared by the library target and
# the fuzz target's own build (fuzz/CMakeLists.txt).
set(PATTERN_SOURCES
  char_class.cpp
  compiler.cpp
  elements.cpp
  lexer.cpp
  pattern.cpp
  pattern_program.cpp
  repeat_elements.cpp
  start_bytes.cpp
)
