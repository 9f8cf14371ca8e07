// SPDX-License-Identifier: GPL-3.0-or-later
// A MIDI keyboard for the tests: a JACK client CLIENT with one MIDI output
// port "out" that sends what it reads on standard input, one line each:
//   "99 3C 25"  the bytes of one event, in hexadecimal (any bytes: running
//               status, real-time bytes and broken messages go as they are)
//   "close"     unregisters the port, as an unplugged keyboard goes away
// It prints "ready" once its port exists and "closed" once it is gone, and
// ends at the end of its input.
#include <jack/jack.h>
#include <jack/midiport.h>
#include <jack/ringbuffer.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

jack_ringbuffer_t* queue = nullptr;
std::atomic<jack_port_t*> port{nullptr};

int process(jack_nframes_t frames, void*)
{
    jack_port_t* out = port.load();
    if (!out)
        return 0;
    void* buffer = jack_port_get_buffer(out, frames);
    jack_midi_clear_buffer(buffer);
    jack_nframes_t frame = 0;
    unsigned char length = 0;
    while (jack_ringbuffer_peek(queue, reinterpret_cast<char*>(&length), 1) == 1
           && jack_ringbuffer_read_space(queue) >= 1u + length && frame < frames) {
        jack_ringbuffer_read_advance(queue, 1);
        unsigned char bytes[256];
        jack_ringbuffer_read(queue, reinterpret_cast<char*>(bytes), length);
        jack_midi_event_write(buffer, frame++, bytes, length);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: midi_source CLIENT\n");
        return 2;
    }
    jack_client_t* client = jack_client_open(argv[1], JackNoStartServer, nullptr);
    if (!client) {
        std::fprintf(stderr, "midi_source: no JACK server\n");
        return 1;
    }
    queue = jack_ringbuffer_create(1 << 16);
    jack_set_process_callback(client, process, nullptr);
    port.store(jack_port_register(client, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0));
    if (!port.load() || jack_activate(client) != 0)
        return 1;
    std::printf("ready\n");
    std::fflush(stdout);

    std::string line;
    while (std::getline(std::cin, line)) {
        if (line == "close") {
            jack_port_t* gone = port.exchange(nullptr);
            if (gone)
                jack_port_unregister(client, gone);
            std::printf("closed\n");
            std::fflush(stdout);
            continue;
        }
        std::istringstream words(line);
        std::vector<unsigned char> bytes;
        std::string word;
        while (words >> word && bytes.size() < 255)
            bytes.push_back(static_cast<unsigned char>(std::strtoul(word.c_str(), nullptr, 16)));
        if (bytes.empty())
            continue;
        while (jack_ringbuffer_write_space(queue) < bytes.size() + 1)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const unsigned char length = static_cast<unsigned char>(bytes.size());
        jack_ringbuffer_write(queue, reinterpret_cast<const char*>(&length), 1);
        jack_ringbuffer_write(queue, reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }
    jack_client_close(client);
    jack_ringbuffer_free(queue);
    return 0;
}
