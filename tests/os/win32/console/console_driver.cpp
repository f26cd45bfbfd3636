// Runs a program on a console of its own, as a person at a command prompt would: both standard
// handles on the console, keys typed as key events, the screen read back. One case file says
// which program runs, what is typed when, and the screen expected at the end (see cases/).
//
//     console_driver CASE_FILE LNCALC_EXE SURVEY_EXE
//
// Exit code 0 when the screen, the cursor and the exit code are the expected ones; 1 when they
// differ (both screens are printed); 2 when the program did not reach a step in time.
#include <windows.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr DWORD STEP_TIMEOUT_MS = 20000;
constexpr DWORD POLL_MS = 20;
constexpr SHORT SCREEN_WIDTH = 160; // wider than any typed line, so that nothing wraps
constexpr SHORT SCREEN_HEIGHT = 100;

struct Console {
    HANDLE input;
    HANDLE output;
};

struct Step {
    bool wait; // wait for the text; otherwise type the keys
    std::string text;
};

struct Case {
    std::string program;
    std::vector<Step> steps;
    std::vector<std::string> screen; // rows, then "cursor R C" and "exit N"
};

// "<CR>" Enter, "<^Z>" Ctrl-Z, "<^C>" Ctrl-C, "<130*x>" the character x 130 times; control
// characters read from the screen are written back in the same notation.
std::string expand(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::size_t end = text.find('>', i);
        std::string token = text[i] == '<' && end != std::string::npos
                                ? text.substr(i + 1, end - i - 1)
                                : std::string();
        std::size_t star = token.find('*');
        if (token == "CR") {
            out += '\r';
        } else if (token.size() == 2 && token[0] == '^' && std::isupper(token[1])) {
            out += static_cast<char>(token[1] - '@');
        } else if (star != std::string::npos && star > 0 && star + 2 == token.size() &&
                   std::isdigit(static_cast<unsigned char>(token[0]))) {
            out.append(std::stoul(token.substr(0, star)), token[star + 1]);
        } else {
            out += text[i];
            continue;
        }
        i = end;
    }
    return out;
}

std::string shown(const std::string& row) {
    std::string out;
    for (char c : row) {
        if (static_cast<unsigned char>(c) < 0x20) {
            out += std::string("<^") + static_cast<char>(c + '@') + ">";
        } else {
            out += c;
        }
    }
    return out;
}

// "program NAME", "wait TEXT", "type KEYS", "screen", then the expected rows, each after a
// "|"; "@FILE" stands for the rows of FILE beside the case. "#" lines explain the case.
bool read_case(const std::string& path, Case* result) {
    std::ifstream file(path);
    std::string line;
    bool screen = false;
    std::string folder = path.substr(0, path.find_last_of("/\\") + 1);
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty() || line[0] == '#') {
            continue;
        }
        if (screen && line[0] == '@') {
            Case part;
            if (!read_case(folder + line.substr(1), &part)) {
                return false;
            }
            result->screen.insert(result->screen.end(), part.screen.begin(), part.screen.end());
        } else if (screen || line[0] == '|') {
            result->screen.push_back(line[0] == '|' ? expand(line.substr(1)) : line);
            screen = true;
        } else if (line == "screen") {
            screen = true;
        } else if (line.rfind("program ", 0) == 0) {
            result->program = line.substr(8);
        } else if (line.rfind("wait ", 0) == 0 || line.rfind("type ", 0) == 0) {
            result->steps.push_back({line[0] == 'w', expand(line.substr(5))});
        } else {
            std::fprintf(stdout, "%s: cannot read \"%s\"\n", path.c_str(), line.c_str());
            return false;
        }
    }
    return file.eof() && (screen || !result->screen.empty());
}

std::string windows_path(const std::string& path) {
    return path.size() > 1 && path[0] == '/' ? "Z:" + path : path;
}

// The rows down to the cursor or the last written one, trailing blanks cut, then the cursor.
std::vector<std::string> read_screen(const Console& console) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    GetConsoleScreenBufferInfo(console.output, &info);
    std::vector<std::string> rows;
    for (SHORT y = 0; y < info.dwSize.Y; ++y) {
        std::string row(static_cast<std::size_t>(info.dwSize.X), ' ');
        DWORD got = 0;
        ReadConsoleOutputCharacterA(console.output, row.data(), info.dwSize.X, {0, y}, &got);
        row.resize(got);
        row.erase(row.find_last_not_of(" \0", std::string::npos, 2) + 1);
        rows.push_back(row);
    }
    while (rows.size() > static_cast<std::size_t>(info.dwCursorPosition.Y) + 1 &&
           rows.back().empty()) {
        rows.pop_back();
    }
    rows.push_back("cursor " + std::to_string(info.dwCursorPosition.Y) + " " +
                   std::to_string(info.dwCursorPosition.X));
    return rows;
}

// The program has written the text as a whole line and waits on the next one.
bool waits_after(const Console& console, const std::string& text) {
    std::vector<std::string> rows = read_screen(console);
    CONSOLE_SCREEN_BUFFER_INFO info;
    GetConsoleScreenBufferInfo(console.output, &info);
    SHORT y = info.dwCursorPosition.Y;
    return info.dwCursorPosition.X == 0 && y > 0 && rows[static_cast<std::size_t>(y) - 1] == text;
}

void type_keys(const Console& console, const std::string& keys) {
    for (char c : keys) {
        INPUT_RECORD records[2] = {};
        for (int up = 0; up < 2; ++up) {
            KEY_EVENT_RECORD& key = records[up].Event.KeyEvent;
            records[up].EventType = KEY_EVENT;
            key.bKeyDown = up == 0;
            key.wRepeatCount = 1;
            key.uChar.AsciiChar = c;
            // The key that gives the character: the console edits the line by key, so that
            // "." given as the key code 0x2E would be the Delete key.
            bool control = c > 0 && c < 0x20 && c != '\r';
            SHORT scan = control ? static_cast<SHORT>(0x200 | (c + '@')) : VkKeyScanA(c);
            key.wVirtualKeyCode = c == '\r' ? VK_RETURN : scan == -1 ? 0 : LOBYTE(scan);
            key.dwControlKeyState =
                (scan & 0x100 ? SHIFT_PRESSED : 0) | (scan & 0x200 ? LEFT_CTRL_PRESSED : 0);
        }
        DWORD written = 0;
        WriteConsoleInputA(console.input, records, 2, &written);
    }
}

BOOL WINAPI keep_running(DWORD) {
    return TRUE; // the interrupt is for the program under test
}

const char* open_console(Console* console) {
    FreeConsole();
    if (!AllocConsole()) {
        return "AllocConsole";
    }
    SetConsoleCtrlHandler(keep_running, TRUE);
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    DWORD access = GENERIC_READ | GENERIC_WRITE;
    console->input = CreateFileA("CONIN$", access, share, &inherited, OPEN_EXISTING, 0, nullptr);
    console->output = CreateFileA("CONOUT$", access, share, &inherited, OPEN_EXISTING, 0, nullptr);
    if (console->input == INVALID_HANDLE_VALUE || console->output == INVALID_HANDLE_VALUE) {
        return "CreateFileA";
    }
    if (!SetConsoleScreenBufferSize(console->output, {SCREEN_WIDTH, SCREEN_HEIGHT})) {
        return "SetConsoleScreenBufferSize";
    }
    return nullptr;
}

// Runs the steps; false when a text never appeared or the program outlived its time.
bool run_steps(const Console& console, const Case& c, HANDLE process, std::string* failure) {
    for (const Step& step : c.steps) {
        if (!step.wait) {
            type_keys(console, step.text);
            continue;
        }
        DWORD waited = 0;
        while (!waits_after(console, step.text)) {
            if (waited >= STEP_TIMEOUT_MS || WaitForSingleObject(process, POLL_MS) == 0) {
                *failure = "never waited after \"" + step.text + "\"";
                return false;
            }
            waited += POLL_MS;
        }
    }
    if (WaitForSingleObject(process, STEP_TIMEOUT_MS) != WAIT_OBJECT_0) {
        *failure = "did not end";
        return false;
    }
    return true;
}

void print(const char* title, const std::vector<std::string>& rows) {
    std::printf("%s\n", title);
    for (const std::string& row : rows) {
        std::printf("|%s\n", shown(row).c_str());
    }
}

} // namespace

int main(int argc, char** argv) {
    Case c;
    Console console;
    if (argc != 4 || !read_case(argv[1], &c) || (c.program != "lncalc" && c.program != "survey")) {
        std::printf("usage: console_driver CASE_FILE LNCALC_EXE SURVEY_EXE\n");
        return 2;
    }
    if (const char* failed = open_console(&console)) {
        std::printf("no console: %s failed with error %lu\n", failed, GetLastError());
        return 2;
    }
    std::string program = windows_path(argv[c.program == "lncalc" ? 2 : 3]);
    STARTUPINFOA start = {};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = console.input;
    start.hStdOutput = start.hStdError = console.output;
    PROCESS_INFORMATION child = {};
    std::string command = "\"" + program + "\"";
    if (!CreateProcessA(program.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                        nullptr, &start, &child)) {
        std::printf("cannot start %s: error %lu\n", program.c_str(), GetLastError());
        return 2;
    }
    std::string failure;
    bool ended = run_steps(console, c, child.hProcess, &failure);
    DWORD code = 0;
    GetExitCodeProcess(child.hProcess, &code);
    std::vector<std::string> screen = read_screen(console);
    screen.push_back("exit " + std::to_string(code));
    if (!ended) {
        TerminateProcess(child.hProcess, 99);
        print(("timed out: " + failure + "; screen so far:").c_str(), screen);
        return 2;
    }
    if (screen != c.screen) {
        print("expected:", c.screen);
        print("shown:", screen);
        return 1;
    }
    return 0;
}
