// Screen recordings: the frames a scenario hands in, each lasting until the
// next; stopping writes them as an APNG.
#include "front/recording.h"

#include "devices/board_clock.h"
#include "model/lcd.h"

#include <algorithm>
#include <cstdio>
#include <vector>
#include <zlib.h>

namespace {

struct Frame {
    std::vector<uint16_t> pixels;
    uint32_t ms;
};

struct Recording {
    bool running = false;
    std::vector<Frame> frames;
    std::string path;
    uint64_t last_us = 0;
} recording;

void put32(std::string *out, uint32_t v) {
    const char bytes[4] = {static_cast<char>(v >> 24), static_cast<char>(v >> 16),
                           static_cast<char>(v >> 8), static_cast<char>(v)};
    out->append(bytes, 4);
}

void put16(std::string *out, uint16_t v) {
    out->push_back(static_cast<char>(v >> 8));
    out->push_back(static_cast<char>(v));
}

void chunk(std::string *png, const char *type, const std::string &data) {
    put32(png, static_cast<uint32_t>(data.size()));
    std::string body = std::string(type, 4) + data;
    png->append(body);
    put32(png, static_cast<uint32_t>(
                   crc32(0, reinterpret_cast<const Bytef *>(body.data()), body.size())));
}

// The part of the screen that changed since the previous frame; only that is stored.
struct Region {
    int x0 = 0, y0 = 0, x1 = SCREEN_W, y1 = SCREEN_H;
};

Region changed_region(const std::vector<uint16_t> &before, const std::vector<uint16_t> &after) {
    Region r{SCREEN_W, SCREEN_H, 0, 0};
    for (int y = 0; y < SCREEN_H; ++y) {
        for (int x = 0; x < SCREEN_W; ++x) {
            if (before[y * SCREEN_W + x] != after[y * SCREEN_W + x]) {
                r = {std::min(r.x0, x), std::min(r.y0, y), std::max(r.x1, x + 1),
                     std::max(r.y1, y + 1)};
            }
        }
    }
    return r.x1 > r.x0 ? r : Region{0, 0, 1, 1};
}

// One region as zlib-compressed scanlines (filter byte 0, then RGB888).
std::string compressed_frame(const std::vector<uint16_t> &pixels, const Region &r) {
    std::vector<uint8_t> raw;
    for (int y = r.y0; y < r.y1; ++y) {
        raw.push_back(0);
        for (int x = r.x0; x < r.x1; ++x) {
            uint16_t p = pixels[y * SCREEN_W + x];
            uint8_t r = p >> 11, g = (p >> 5) & 0x3F, b = p & 0x1F;
            raw.push_back(static_cast<uint8_t>(r << 3 | r >> 2));
            raw.push_back(static_cast<uint8_t>(g << 2 | g >> 4));
            raw.push_back(static_cast<uint8_t>(b << 3 | b >> 2));
        }
    }
    uLongf size = compressBound(raw.size());
    std::string out(size, '\0');
    compress2(reinterpret_cast<Bytef *>(out.data()), &size, raw.data(), raw.size(), 9);
    out.resize(size);
    return out;
}

std::string frame_control(uint32_t sequence, const Region &r, uint32_t ms) {
    std::string fc;
    put32(&fc, sequence);
    put32(&fc, static_cast<uint32_t>(r.x1 - r.x0));
    put32(&fc, static_cast<uint32_t>(r.y1 - r.y0));
    put32(&fc, static_cast<uint32_t>(r.x0));
    put32(&fc, static_cast<uint32_t>(r.y0));
    put16(&fc, static_cast<uint16_t>(ms > 65535 ? 65535 : ms));
    put16(&fc, 1000);
    fc.push_back(0); // dispose: none
    fc.push_back(0); // blend: source
    return fc;
}

bool write_apng(const std::string &path, const std::vector<Frame> &frames) {
    std::string png("\x89PNG\r\n\x1a\n", 8);
    std::string header;
    put32(&header, SCREEN_W);
    put32(&header, SCREEN_H);
    header.append("\x08\x02\x00\x00\x00", 5);
    chunk(&png, "IHDR", header);
    std::string animation;
    put32(&animation, static_cast<uint32_t>(frames.size()));
    put32(&animation, 0); // loop for ever
    chunk(&png, "acTL", animation);
    uint32_t sequence = 0;
    for (size_t i = 0; i < frames.size(); ++i) {
        Region r = i == 0 ? Region{} : changed_region(frames[i - 1].pixels, frames[i].pixels);
        chunk(&png, "fcTL", frame_control(sequence++, r, frames[i].ms));
        std::string data = compressed_frame(frames[i].pixels, r);
        if (i == 0) {
            chunk(&png, "IDAT", data);
        } else {
            std::string fd;
            put32(&fd, sequence++);
            chunk(&png, "fdAT", fd + data);
        }
    }
    chunk(&png, "IEND", "");
    FILE *f = fopen(path.c_str(), "wb");
    bool ok = f != nullptr && fwrite(png.data(), 1, png.size(), f) == png.size();
    if (f != nullptr) {
        ok = fclose(f) == 0 && ok;
    }
    return ok;
}

} // namespace

bool recording_start(const std::string &path, std::string *error) {
    if (recording.running) {
        *error = "a recording is already running";
        return false;
    }
    recording.frames.clear();
    recording.path = path;
    recording.last_us = monotonic_us();
    recording.running = true;
    return true;
}

bool recording_running() {
    return recording.running;
}

void recording_frame(const uint16_t *pixels) {
    uint64_t now = monotonic_us();
    std::vector<uint16_t> frame(pixels, pixels + LCD_PIXELS);
    if (!recording.frames.empty()) {
        recording.frames.back().ms += static_cast<uint32_t>((now - recording.last_us) / 1000);
    }
    if (recording.frames.empty() || recording.frames.back().pixels != frame) {
        recording.frames.push_back({std::move(frame), 0});
    }
    recording.last_us = now;
}

bool recording_stop(std::string *error) {
    if (!recording.running) {
        *error = "no recording is running";
        return false;
    }
    recording.running = false;
    if (!recording.frames.empty()) {
        recording.frames.back().ms +=
            static_cast<uint32_t>((monotonic_us() - recording.last_us) / 1000);
    }
    if (!write_apng(recording.path, recording.frames)) {
        *error = "cannot write " + recording.path;
        return false;
    }
    printf("ipslide-sim: recording %s: %zu frames\n", recording.path.c_str(),
           recording.frames.size());
    return true;
}
