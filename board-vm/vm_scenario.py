"""The board VM's scenario files: the simulator's language, with the commands
the board can play (and its own probes); anything else is refused by name."""


class BoardError(Exception):
    pass


# name: (least arguments, most arguments, usage)
COMMANDS = {
    "tap": (2, 2, "tap X Y"),
    "tap-raw": (2, 2, "tap-raw RX RY"),
    "press": (2, 2, "press X Y"),
    "release": (0, 0, "release"),
    "shot": (1, 1, "shot NAME"),
    "wait-frames": (1, 2, "wait-frames N [TIMEOUT]"),
    "wait-idle": (0, 1, "wait-idle [TIMEOUT]"),
    "kill-app": (0, 0, "kill-app"),
    "inspect": (1, 1, "inspect NAME"),
    "expect-still": (1, 1, "expect-still MS"),
    "end": (0, 0, "end"),
}


def parse_scenario(path):
    """Lines "at MS COMMAND ARGS...", '#' comments; returned in time order, the
    same time keeping file order. Raises BoardError naming the line."""
    try:
        with open(path) as f:
            lines = f.read().splitlines()
    except OSError as e:
        raise BoardError("%s: cannot read the scenario: %s" % (path, e.strerror))
    commands = []
    for number, text in enumerate(lines, 1):
        words = text.split("#", 1)[0].split()
        if not words:
            continue
        where = "%s:%d: " % (path, number)
        if len(words) < 3 or words[0] != "at":
            raise BoardError(where + 'expected "at MS COMMAND [ARGS...]"')
        if not words[1].isdigit() or int(words[1]) > 86400000:
            raise BoardError(where + '"%s" is not a time in milliseconds' % words[1])
        name, args = words[2], words[3:]
        if name not in COMMANDS:
            raise BoardError(where + 'the board VM cannot play "%s"; it plays %s'
                             % (name, ", ".join(sorted(COMMANDS))))
        least, most, usage = COMMANDS[name]
        if not least <= len(args) <= most:
            raise BoardError(where + "usage: at MS " + usage)
        commands.append((int(words[1]), name, args, number))
    commands.sort(key=lambda c: c[0])
    return commands


def int_arg(text, low, high, what):
    try:
        value = int(text)
    except ValueError:
        value = None
    if value is None or not low <= value <= high:
        raise BoardError('"%s" is not %s' % (text, what))
    return value
