// A small program on this run-time that tests start as a child: it shows what start-up made of
// its command line, uses the handles it inherited, and tells which file it was started from.
#include <cstring>

#include "runtime/handles/handles.h"
#include "runtime/startup/startup.h"

namespace {

void put(int handle, const char* text) {
    lnc::set_mode(handle, lnc::MODE_BINARY);
    lnc::write_bytes(handle, text, static_cast<int>(std::strlen(text)));
}

// "args": each argument after the word "args", as "<text>" and CR LF, on standard output.
int show_arguments(int argc, char** argv) {
    for (int i = 2; i < argc; ++i) {
        put(1, "<");
        put(1, argv[i]);
        put(1, ">\r\n");
    }
    return 0;
}

// "handle": writes a line through handle 3, which only the parent's handle block can have
// opened; exit code 0 when it was open as a file, 20 when it was not.
int use_inherited_handle() {
    if (lnc::get_os_handle(3) == lnc::os::NO_HANDLE)
        return 20;
    put(3, "written by the child\r\n");
    return 0;
}

// "which": 11 when started from a ".com" file, 12 from a ".exe" file, 13 otherwise.
int which_file() {
    const char* path = lnc::process_state.program_path;
    std::size_t length = std::strlen(path);
    if (length < 4)
        return 13;
    const char* extension = path + length - 4;
    if (lnc::compare_ignoring_case(extension, ".com") == 0)
        return 11;
    return lnc::compare_ignoring_case(extension, ".exe") == 0 ? 12 : 13;
}

int child_main(int argc, char** argv, char**) {
    if (argc < 2)
        return 30;
    if (std::strcmp(argv[1], "args") == 0)
        return show_arguments(argc, argv);
    if (std::strcmp(argv[1], "handle") == 0)
        return use_inherited_handle();
    if (std::strcmp(argv[1], "which") == 0)
        return which_file();
    // Started as a command interpreter: "name /c command".
    if (std::strcmp(argv[1], "/c") == 0)
        return 42;
    return 31;
}

} // namespace

int main(int argc, char** argv) {
    lnc::process_entry(argc, argv, child_main);
}
