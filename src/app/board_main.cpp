// The board's entry point: the platform table already holds the C library.
#include "app/main_loop.h"

int main() {
    app_main();
}
