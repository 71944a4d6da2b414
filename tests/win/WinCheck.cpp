// Checks the Windows registry read, program launch and file test against the
// system itself (or Wine), where the unit tests can only use doubles.
#include "platform/KeyValue.h"
#include "platform/SystemFileProbe.h"
#include "platform/SystemLauncher.h"
#include "platform/SystemRegistry.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

const char *const kScratchKey = "Software\\TarvelloWinCheck";
const char *const kMarkVariable = "TARVELLO_WIN_CHECK_MARK";
int checks = 0;
int failures = 0;

void check(bool passed, const std::string &what)
{
    ++checks;
    if (!passed) {
        ++failures;
        std::printf("FAILED: %s\n", what.c_str());
    }
}

void setValue(const char *name, DWORD type, const void *data, DWORD size)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kScratchKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr)
        != ERROR_SUCCESS) {
        check(false, std::string("could not write the scratch key for ") + name);
        return;
    }
    RegSetValueExA(key, name, 0, type, static_cast<const BYTE *>(data), size);
    RegCloseKey(key);
}

void setString(const char *name, DWORD type, const std::string &text, bool withNul)
{
    setValue(name, type, text.c_str(), static_cast<DWORD>(text.size() + (withNul ? 1 : 0)));
}

void expectRead(Registry &registry, const char *key, const char *name, bool found, const std::string &expected)
{
    const auto root = reinterpret_cast<Registry::Key>(HKEY_CURRENT_USER);
    std::string value = "before";
    const bool read = KeyValue::read(registry, root, key, name, value);
    check(read == found && value == expected,
          std::string("reading ") + name + " gave " + (read ? "true" : "false") + " and \"" + value.substr(0, 40)
              + '"');
}

void registryChecks()
{
    SystemRegistry registry;
    const std::string tools = "C:\\Tools";
    setString("WithNul", REG_SZ, tools, true);
    setString("WithoutNul", REG_SZ, tools, false);
    setString("TooLong", REG_SZ, std::string(1024, 'x'), true);
    setString("Empty", REG_SZ, std::string(), false);
    const DWORD number = 0x105;
    setValue("Number", REG_DWORD, &number, sizeof number);

    expectRead(registry, kScratchKey, "WithNul", true, tools);
    expectRead(registry, kScratchKey, "WithoutNul", true, tools);
    expectRead(registry, kScratchKey, "TooLong", false, "");
    expectRead(registry, kScratchKey, "Empty", false, "");
    expectRead(registry, kScratchKey, "Number", true, "261");
    expectRead(registry, kScratchKey, "Missing", false, "");
    RegDeleteKeyA(HKEY_CURRENT_USER, kScratchKey);

    // The machine root, read without write rights, as the about box reads it.
    std::string root;
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    check(KeyValue::read(registry, Registry::kLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
                         "SystemRoot", root)
              && _stricmp(root.c_str(), windows) == 0,
          "the machine's SystemRoot gave \"" + root + '"');

    std::string tool;
    if (KeyValue::read(registry, Registry::kLocalMachine, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH", tool))
        std::printf("win-check: the registered system-information tool: \"%s\"\n", tool.c_str());
    else
        std::printf("win-check: no system-information tool registered at the first place\n");
}

void launchAndFileChecks(const std::string &self, const std::string &mark)
{
    SystemLauncher launcher;
    SystemFileProbe files;
    check(!launcher.start(""), "an empty path started");
    check(!launcher.start("C:\\No\\Such\\Program.exe"), "a missing program started");
    check(files.fileExists(self), "the check's own program is not there");
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    check(!files.fileExists(windows), "a folder counted as a file");

    // A second copy of this program, told by its environment to leave a mark.
    DeleteFileA(mark.c_str());
    SetEnvironmentVariableA(kMarkVariable, mark.c_str());
    check(launcher.start(self), "the check could not start itself");
    bool marked = false;
    for (int i = 0; i < 200 && !marked; ++i) {
        marked = files.fileExists(mark);
        if (!marked)
            Sleep(50);
    }
    check(marked, "the started copy never ran");
    DeleteFileA(mark.c_str());
}

} // namespace

int main()
{
    char mark[MAX_PATH] = {};
    if (GetEnvironmentVariableA(kMarkVariable, mark, MAX_PATH) > 0) {
        HANDLE file = CreateFileA(mark, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
        return 0;
    }

    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    registryChecks();
    launchAndFileChecks(self, std::string(self) + ".mark");

    if (failures == 0)
        std::printf("win-check: all %d checks of the Windows registry, launch and file test held\n", checks);
    else
        std::printf("win-check: %d of %d checks failed\n", failures, checks);
    return failures == 0 ? 0 : 1;
}
