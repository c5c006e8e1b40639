// ipslide-sim render: one still of a scene as PNG, made in this process by the
// application's own code (render/still.cpp says how).
#pragma once

// argv[0] is "render"; returns the program's exit status.
int render_main(int argc, char **argv);
