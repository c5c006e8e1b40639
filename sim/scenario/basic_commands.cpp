// The scenario commands that need no device: screenshots, killing the
// application (init starts it again) and the end of the run.
#include "front/progress.h"
#include "front/screen_png.h"
#include "model/lcd.h"
#include "scenario/commands.h"

#include <vector>

bool run_shot(ScenarioContext &context, const ScenarioCommand &command, std::string *error) {
    std::vector<uint16_t> screen(LCD_PIXELS);
    context.board->screen(screen.data());
    std::string path = context.options->out_dir + "/" + command.args[0] + ".png";
    if (!write_rgb565_png(path, screen.data(), SCREEN_W, SCREEN_H)) {
        *error = "cannot write " + path;
        return false;
    }
    progress(command.at_ms, "shot %s", path.c_str());
    return true;
}

bool run_end(ScenarioContext &context, const ScenarioCommand &, std::string *) {
    context.finished = true;
    return true;
}

bool run_kill_app(ScenarioContext &context, const ScenarioCommand &command, std::string *error) {
    std::string what;
    if (!context.board->kill_app(&what, error)) {
        *error = "kill-app: " + *error;
        return false;
    }
    progress(command.at_ms, "kill-app: %s", what.c_str());
    return true;
}
