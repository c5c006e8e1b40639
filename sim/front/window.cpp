#include "front/window.h"

#include "devices/board_state.h"
#include "devices/buzzer_sound.h"
#include "devices/child_process.h"
#include "devices/dhcp_client.h"
#include "devices/dm9000.h"
#include "devices/touch_panel.h"
#include "model/lcd.h"

#include <SDL.h>
#include <atomic>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

struct Window {
    SDL_Window *window = nullptr;
    SDL_Renderer *renderer = nullptr;
    SDL_Texture *texture = nullptr;
};

bool open_window(Window *w, int scale) {
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        fprintf(stderr, "ipslide-sim: no window: %s\n", SDL_GetError());
        return false;
    }
    w->window = SDL_CreateWindow("ipslide-sim", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                 SCREEN_W * scale, SCREEN_H * scale, 0);
    if (w->window != nullptr) {
        w->renderer = SDL_CreateRenderer(w->window, -1, 0);
    }
    if (w->renderer != nullptr) {
        SDL_RenderSetLogicalSize(w->renderer, SCREEN_W, SCREEN_H);
        w->texture = SDL_CreateTexture(w->renderer, SDL_PIXELFORMAT_RGB565,
                                       SDL_TEXTUREACCESS_STREAMING, SCREEN_W, SCREEN_H);
    }
    if (w->texture == nullptr) {
        fprintf(stderr, "ipslide-sim: no window: %s\n", SDL_GetError());
        return false;
    }
    return true;
}

void close_window(Window *w) {
    buzzer_sound_close();
    if (w->texture != nullptr) {
        SDL_DestroyTexture(w->texture);
    }
    if (w->renderer != nullptr) {
        SDL_DestroyRenderer(w->renderer);
    }
    if (w->window != nullptr) {
        SDL_DestroyWindow(w->window);
    }
    SDL_Quit();
}

void show_screen(Window *w) {
    SDL_UpdateTexture(w->texture, nullptr, board_state()->screen, LCD_LINE_BYTES);
    SDL_RenderClear(w->renderer);
    SDL_RenderCopy(w->renderer, w->texture, nullptr, nullptr);
    SDL_RenderPresent(w->renderer);
    std::string title = std::string("ipslide-sim  ") + net_status();
    SDL_SetWindowTitle(w->window, title.c_str());
}

// Returns false when the user closes the simulator.
bool handle_event(const SDL_Event &event) {
    switch (event.type) {
    case SDL_QUIT:
        return false;
    case SDL_KEYDOWN:
        if (event.key.keysym.sym == SDLK_q || event.key.keysym.sym == SDLK_ESCAPE) {
            return false;
        }
        if (event.key.keysym.sym == SDLK_l) {
            dm9000_set_link(!dm9000_link());
        }
        return true;
    case SDL_MOUSEBUTTONDOWN:
        if (event.button.button == SDL_BUTTON_LEFT) {
            // The renderer's logical size maps the window back to LCD pixels.
            touch_panel_press(event.button.x, event.button.y);
        }
        return true;
    case SDL_MOUSEBUTTONUP:
        if (event.button.button == SDL_BUTTON_LEFT) {
            touch_panel_release();
        }
        return true;
    default:
        return true;
    }
}

// A scenario played while the window shows the screen (make tour): it runs on a
// thread of its own, which also watches the application.
struct Tour {
    std::thread thread;
    std::atomic<bool> done{false};
    int result = 0;
};

// Shows the screen until the window closes, the scenario ends or (unscripted) the
// application ends; returns the application's wait status, or -1 while it runs.
int show_screen_until_done(Window *w, const SimOptions &options, const WindowApp &app,
                           const Tour &tour) {
    bool scripted = !options.script.empty();
    bool running = true;
    int status = -1;
    while (running && !tour.done) {
        SDL_Event event;
        while (running && SDL_PollEvent(&event)) {
            running = handle_event(event);
        }
        show_screen(w);
        if (!scripted) {
            buzzer_poll_playback(options);
            status = app.poll();
        }
        if (status != -1) {
            fprintf(stderr, "ipslide-sim: the application %s (see %s/app.log)\n",
                    describe_wait_status(status).c_str(), options.out_dir.c_str());
            running = false;
        }
        SDL_Delay(16);
    }
    return status;
}

} // namespace

int run_window(const SimOptions &options, const WindowApp &app,
               const std::function<int()> &tour_play) {
    Tour tour;
    bool scripted = static_cast<bool>(tour_play);
    Window w;
    if (!open_window(&w, options.scale)) {
        close_window(&w);
        return 3;
    }
    app.start();
    if (scripted) {
        tour.thread = std::thread([&tour, &tour_play] {
            tour.result = tour_play();
            tour.done = true;
        });
    }
    int status = show_screen_until_done(&w, options, app, tour);
    app.stop();
    close_window(&w);
    if (scripted && !tour.done) {
        // Closed in the middle of the scenario: its thread may sit in a long wait.
        fprintf(stderr, "ipslide-sim: the scenario was stopped with the window\n");
        app.cleanup();
        fflush(stdout);
        _exit(0);
    }
    if (scripted) {
        tour.thread.join();
        return tour.result;
    }
    return status == -1 ? 0 : 1;
}
