// The main window, its event drain and the presentation of frame_buffer, on
// SDL2.
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "host/sdl/sdl_backend.h"
#include "hw/regions.h"
#include "platform/platform.h"
#include "platform/product.h"

SDL_Window* main_window;

namespace {
constexpr const char* window_title = product_window_title;
constexpr int client_width = product_client_width;
constexpr int client_height = product_client_height;

SDL_Renderer* renderer;
SDL_Texture* texture;
int video_state;  // 0 not tried, 1 ready, -1 failed

// 1 when the renderer is OpenGL drawn by a software rasteriser (as on a
// virtual display or a machine without a GPU driver): there SDL's own
// nearest-neighbour scaler into the window's shared-memory image costs a
// fifth of the time per frame.
int software_gl(SDL_Renderer* candidate) {
    SDL_RendererInfo info;
    if (SDL_GetRendererInfo(candidate, &info) != 0 || std::strncmp(info.name, "opengl", 6) != 0) return 0;
    using get_string_fn = const unsigned char* (*)(unsigned);
    const auto get_string = reinterpret_cast<get_string_fn>(SDL_GL_GetProcAddress("glGetString"));
    if (!get_string) return 0;
    constexpr unsigned gl_renderer = 0x1F01;
    const char* name = reinterpret_cast<const char*>(get_string(gl_renderer));
    if (!name) return 0;
    for (const char* software : {"llvmpipe", "softpipe", "swrast", "Software Rasterizer"}) {
        if (std::strstr(name, software)) return 1;
    }
    return 0;
}

int is_exposure(const SDL_Event& event) {
    return event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_EXPOSED;
}
}  // namespace

int sdl_video_ready() {
    if (video_state == 0) {
        SDL_SetMainReady();
        video_state = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0 ? 1 : -1;
        // Without a display SDL falls back to drivers that show nothing.
        const char* driver = video_state == 1 ? SDL_GetCurrentVideoDriver() : nullptr;
        if (driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0)) {
            SDL_SetError("no display available (SDL chose its %s video driver)", driver);
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
            video_state = -1;
        }
    }
    return video_state == 1;
}

window_open_result platform_open_window(void*) {
    if (!sdl_video_ready()) {
        std::fprintf(stderr, "%s: cannot open the window: %s\n", window_title, SDL_GetError());
        return window_open_result::window_failed;
    }
    // Nearest-neighbour stretching; no vertical-sync wait, since the frame
    // sleep alone paces the loop and the two would add up.
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");
    SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");

    main_window = SDL_CreateWindow(window_title, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                   client_width, client_height, SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE);
    if (main_window) renderer = SDL_CreateRenderer(main_window, -1, 0);
    if (renderer && software_gl(renderer)) {
        SDL_DestroyRenderer(renderer);
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        renderer = SDL_CreateRenderer(main_window, -1, SDL_RENDERER_SOFTWARE);
    }
    if (renderer) {
        texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                                    screen_width, screen_height);
    }
    if (!texture) {
        std::fprintf(stderr, "%s: cannot open the window: %s\n", window_title, SDL_GetError());
        platform_destroy_window();
        return window_open_result::window_failed;
    }
    sdl_map_keys();
    sdl_start_controllers();
    return window_open_result::ok;
}

void platform_show_window(int) {
    // SDL has no start-up show state to honour: the window is always shown.
    if (main_window) SDL_ShowWindow(main_window);
}

void platform_destroy_window() {
    if (texture) SDL_DestroyTexture(texture);
    if (renderer) SDL_DestroyRenderer(renderer);
    if (main_window) SDL_DestroyWindow(main_window);
    texture = nullptr;
    renderer = nullptr;
    main_window = nullptr;
}

void sdl_present_frame() {
    if (!texture) return;
    SDL_UpdateTexture(texture, nullptr, frame_buffer,
                      screen_width * static_cast<int>(sizeof(frame_buffer[0])));
    // A null destination is the whole output, whatever size the window has now.
    SDL_RenderCopy(renderer, texture, nullptr, nullptr);
    SDL_RenderPresent(renderer);
}

int platform_drain_messages() {
    SDL_Event event;
    // SDL_PollEvent pumps the window system first, which also brings the
    // keyboard state up to date for the poll that follows.
    while (SDL_PollEvent(&event)) {
        if (event.type == SDL_QUIT) return 0;
        if (is_exposure(event)) sdl_present_frame();
        sdl_input_event(event);
    }
    return 1;
}

void sdl_service_exposures() {
    if (!main_window) return;
    SDL_PumpEvents();
    SDL_Event events[16];
    int count;
    int exposed = 0;
    while ((count = SDL_PeepEvents(events, 16, SDL_GETEVENT, SDL_WINDOWEVENT, SDL_WINDOWEVENT)) > 0) {
        for (int i = 0; i < count; ++i) exposed |= is_exposure(events[i]);
    }
    if (exposed) sdl_present_frame();
}

void platform_present() { sdl_present_frame(); }
