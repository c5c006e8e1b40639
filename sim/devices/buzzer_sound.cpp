// The buzzer as the simulator's user hears it: each finished playback becomes
// OUT/victory.wav (one 16-bit sample per captured bit, at the rate the sample was
// made for) and, in the window, plays through the sound card. It also checks that
// the playback left the interrupt masks as it found them.
#include "devices/buzzer_sound.h"
#include "devices/soc_playback.h"
#include "options.h"

#include <SDL.h>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// The nominal bit rate of tools/gen-victory-sample: 3000 loop iterations of 8 cycles
// on the 400 MHz ARM920T make 16667 bits per second.
constexpr uint32_t BUZZER_BIT_RATE = 16667;
// A bit drives the speaker fully one way or the other; a quarter of full scale is
// loud enough through a PC's speakers.
constexpr int16_t AMPLITUDE = 8192;

void put_le(std::string *out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out->push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

std::vector<int16_t> to_pcm(const std::vector<uint8_t> &bits) {
    std::vector<int16_t> pcm;
    pcm.reserve(bits.size());
    for (uint8_t bit : bits) {
        pcm.push_back(bit ? AMPLITUDE : static_cast<int16_t>(-AMPLITUDE));
    }
    return pcm;
}

bool write_wav(const std::string &path, const std::vector<int16_t> &pcm) {
    uint32_t data_bytes = static_cast<uint32_t>(pcm.size() * 2);
    std::string header = "RIFF";
    put_le(&header, 36 + data_bytes, 4);
    header += "WAVEfmt ";
    put_le(&header, 16, 4);                  // fmt chunk size
    put_le(&header, 1, 2);                   // PCM
    put_le(&header, 1, 2);                   // mono
    put_le(&header, BUZZER_BIT_RATE, 4);     // samples per second
    put_le(&header, BUZZER_BIT_RATE * 2, 4); // bytes per second
    put_le(&header, 2, 2);                   // bytes per frame
    put_le(&header, 16, 2);                  // bits per sample
    header += "data";
    put_le(&header, data_bytes, 4);
    FILE *f = fopen(path.c_str(), "wb");
    if (f == nullptr) {
        return false;
    }
    std::string data;
    for (int16_t s : pcm) {
        put_le(&data, static_cast<uint16_t>(s), 2);
    }
    bool ok = fwrite(header.data(), 1, header.size(), f) == header.size() &&
              fwrite(data.data(), 1, data.size(), f) == data.size();
    return fclose(f) == 0 && ok;
}

SDL_AudioDeviceID audio_device = 0;

// Opened on the first playback and kept; 0 when there is no sound card.
SDL_AudioDeviceID open_audio() {
    static bool tried = false;
    SDL_AudioDeviceID &device = audio_device;
    if (tried) {
        return device;
    }
    tried = true;
    SDL_AudioSpec want = {};
    want.freq = static_cast<int>(BUZZER_BIT_RATE);
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    want.samples = 4096;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
        device = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
    }
    if (device == 0) {
        fprintf(stderr, "ipslide-sim: no audio device (%s); the fanfare is only in the WAV\n",
                SDL_GetError());
    }
    return device;
}

void play(const std::vector<int16_t> &pcm) {
    SDL_AudioDeviceID device = open_audio();
    if (device != 0) {
        SDL_QueueAudio(device, pcm.data(), static_cast<Uint32>(pcm.size() * 2));
        SDL_PauseAudioDevice(device, 0);
    }
}

void check_masks(const SocPlayback &p) {
    if (p.intmsk_after != p.intmsk_before) {
        fprintf(stderr,
                "ipslide-sim: INTERRUPTS LEFT MASKED: INTMSK is 0x%08X after the buzzer "
                "playback, 0x%08X before it\n",
                p.intmsk_after, p.intmsk_before);
    }
    if (p.intsubmsk_after != p.intsubmsk_before) {
        fprintf(stderr,
                "ipslide-sim: INTERRUPTS LEFT MASKED: INTSUBMSK is 0x%08X after the buzzer "
                "playback, 0x%08X before it\n",
                p.intsubmsk_after, p.intsubmsk_before);
    }
}

uint32_t playbacks_collected = 0;

} // namespace

bool buzzer_poll_playback(const SimOptions &options) {
    SocPlayback playback;
    if (!soc_take_playback(&playback)) {
        return false;
    }
    std::vector<int16_t> pcm = to_pcm(playback.bits);
    std::string path = options.out_dir + "/victory.wav";
    if (write_wav(path, pcm)) {
        printf("ipslide-sim: victory sound captured: %zu bits -> %s\n", pcm.size(), path.c_str());
        fflush(stdout);
    } else {
        fprintf(stderr, "ipslide-sim: cannot write %s\n", path.c_str());
    }
    check_masks(playback);
    if (!options.headless) {
        play(pcm);
    }
    ++playbacks_collected;
    return true;
}

uint32_t buzzer_playbacks_collected() {
    return playbacks_collected;
}

// Lets a fanfare still in the sound card's queue finish, then releases the device
// (the window closes right after a tour's last command, mid-fanfare).
void buzzer_sound_close() {
    SDL_AudioDeviceID device = audio_device;
    if (device == 0) {
        return;
    }
    audio_device = 0;
    for (int waited_ms = 0; SDL_GetQueuedAudioSize(device) > 0 && waited_ms < 10000;
         waited_ms += 50) {
        SDL_Delay(50);
    }
    SDL_CloseAudioDevice(device);
}
