# Sourced by the scripts: installs the Debian packages the project needs when
# they are missing (as root), or says which command to run.
need_packages() {
    local missing=()
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null; then
        echo "installing: ${missing[*]}"
        if [ -z "${ORVALIS_APT_UPDATED:-}" ]; then
            apt-get update -qq
            export ORVALIS_APT_UPDATED=1
        fi
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
    else
        echo "missing packages; run: sudo apt-get install ${missing[*]}" >&2
        return 1
    fi
}

# What building and testing the core needs.
core_packages=(cmake ninja-build g++ libgtest-dev libbenchmark-dev libssl-dev libpng-dev pkg-config)
# The SDL2 program and its tests in a real X server.
sdl_packages=(libsdl2-dev xvfb xdotool x11-apps imagemagick python3-xlib zenity)
# libFuzzer targets.
fuzz_packages=(clang libclang-rt-14-dev)
# The Windows program, cross-built and run under Wine.
windows_packages=(g++-mingw-w64-x86-64 wine64 wine icoutils)
# The web build and its browser tests (Debian's Emscripten; Chromium, Firefox ESR and WebKitGTK).
web_packages=(emscripten node-acorn chromium firefox-esr webkit2gtk-driver)
# The core and the Win32 back end compiled for 32-bit Windows as well.
windows32_packages=(g++-mingw-w64-i686)
# Building and checking the release packages.
package_packages=(dpkg-dev file lintian desktop-file-utils appstream icoutils)
# What the program needs at run time on Linux: its file chooser.
run_packages=(zenity)
