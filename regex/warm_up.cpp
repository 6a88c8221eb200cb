#include "regex/warm_up.h"

#include <windows.h>

#include <mutex>

#include "regex/regex_object.h"

namespace {

DWORD WINAPI warmUp(void*) {
    {
        RegexObject re;
        re.run("a", "a");
        // Pinned: the object's apartment ends with this thread, and with it the library's last
        // reference, which would unload it again.
        HMODULE library = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN, L"vbscript.dll", &library);
    }
    return 0;
}

}  // namespace

void warmUpRegexComponent() {
    static std::once_flag once;
    std::call_once(once, [] {
        HANDLE thread = CreateThread(nullptr, 0, warmUp, nullptr, 0, nullptr);
        if (thread) CloseHandle(thread);
    });
}
