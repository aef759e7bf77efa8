#pragma once
// Constants of the program that files and messages depend on.
//
// kDescriptorKey codes every environment descriptor ("<name>.env") this program makes or
// opens. It is part of the file format: an environment made with one key cannot be opened
// with another, so the text never changes.

namespace shell {

extern const char* const kDescriptorKey;
// The product's name as the messages of the environment commands give it.
extern const char* const kProductName;

}  // namespace shell
