// Keyboard, file chooser, message boxes, SHA-1 and the frame sleep on Win32.
#include <windows.h>
// after windows.h, which they build on
#include <commdlg.h>
#include <sys/stat.h>
#include <wincrypt.h>

#include <cstdio>
#include <cstring>

#include "host/win32/win32_window.h"
#include "host/win32/win32_xinput.h"
#include "hw/keys.h"
#include "platform/platform.h"
#include "platform/product.h"

namespace {
// The ten keys, in the order they are queried, and the button each holds.
struct key_binding {
    int virtual_key;
    uint16_t button;
};
constexpr key_binding key_bindings[] = {
    {0x58, button_a},                                                                         // X
    {0x5A, button_b},                                                                         // Z
    {VK_BACK, button_select},                                                                 // Backspace
    {VK_RETURN, button_start},                                                                // Enter
    {VK_RIGHT, button_right},                                                                 // arrows
    {VK_LEFT, button_left},    {VK_UP, button_up}, {VK_DOWN, button_down}, {0x53, button_r},  // S
    {0x41, button_l},                                                                         // A
};

constexpr DWORD chooser_path_size = 260;
constexpr DWORD sha1_size = 20;
}  // namespace

#ifdef _WIN64
static_assert(sizeof(OPENFILENAMEA) == 152);
#endif

// Each key is taken from the keyboard at this moment, whatever has focus.
uint16_t platform_buttons_held() {
    uint16_t held = 0;
    for (const key_binding& k : key_bindings)
        if (static_cast<unsigned short>(GetAsyncKeyState(k.virtual_key)) & 0x8000) held |= k.button;
    return static_cast<uint16_t>(held | xinput_buttons_held());
}

namespace {
// Pairs of a filter's name and pattern, each ended by a NUL, and one more NUL.
constexpr auto chooser_filters = join_text(product_rom_filter_name, "\0", product_rom_filter_pattern, "\0",
                                           product_all_filter_name, "\0", "*.*", "\0");
}  // namespace

int platform_choose_file(char* path, size_t capacity) {
    char chosen[chooser_path_size] = {};
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof(OPENFILENAMEA);
    dialog.hwndOwner = nullptr;
    dialog.lpstrFilter = chooser_filters.data();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = chosen;
    dialog.nMaxFile = chooser_path_size;
    dialog.lpstrTitle = product_chooser_title;
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    static_assert((OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY) == 0x1804);
    if (!GetOpenFileNameA(&dialog)) return 0;

    // The dialog terminates the path within its buffer; the caller's must hold it whole.
    const size_t length = strnlen(chosen, chooser_path_size);
    if (!path || length >= chooser_path_size || length >= capacity) return 0;
    std::memcpy(path, chosen, length + 1);
    return 1;
}

// Windows has no FIFOs to block on; a directory is refused by its type.
FILE* platform_open_regular_file(const char* path) {
    struct _stat64 info;
    if (_stat64(path, &info) != 0 || (info.st_mode & _S_IFMT) != _S_IFREG) return nullptr;
    return std::fopen(path, "rb");
}

void platform_message_box(message_owner owner, const char* text, const char* caption, message_kind kind) {
    UINT type = MB_OK;
    if (kind == message_kind::error) type = MB_ICONERROR;
    if (kind == message_kind::information) type = MB_ICONINFORMATION;
    HWND owner_window = owner == message_owner::main_window ? main_window : nullptr;
    MessageBoxA(owner_window, text, caption, type);
}

int platform_sha1(const uint8_t* data, size_t size, uint8_t digest[20]) {
    // CryptHashData takes the whole block in one call, so its size must fit a DWORD.
    if (size > 0xFFFFFFFFu || (!data && size != 0)) return 0;
    static const BYTE empty = 0;
    HCRYPTPROV provider = 0;
    HCRYPTHASH hash = 0;
    BYTE value[sha1_size] = {};
    DWORD length = sha1_size;
    const BOOL ok = CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT) &&
                    CryptCreateHash(provider, CALG_SHA1, 0, 0, &hash) &&
                    CryptHashData(hash, data ? data : &empty, static_cast<DWORD>(size), 0) &&
                    CryptGetHashParam(hash, HP_HASHVAL, value, &length, 0);
    if (hash) CryptDestroyHash(hash);
    if (provider) CryptReleaseContext(provider, 0);
    if (!ok || length != sha1_size) return 0;
    std::memcpy(digest, value, sha1_size);
    return 1;
}

void platform_sleep_frame() { Sleep(16); }
