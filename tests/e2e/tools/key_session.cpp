// SPDX-License-Identifier: GPL-3.0-or-later
// A random, seeded session of a player at the keyboard, sent to kelodi's main
// window through the XTEST extension: playing keys pressed and released in
// any order, with and without Shift and Ctrl; menus opened with Alt and a
// letter, sometimes left for the next one with the arrows or the pointer, and
// closed with Escape; the focus taken by another window and given back while
// keys are held; the pointer resting anywhere, the menu bar included.
//
// Usage: key_session SEED ACTIONS MAIN_WINDOW PID MENU_BAR_HEIGHT
//
// It waits for what it needs before going on (a menu to show, the focus to
// arrive) and stops with status 1 and the number of the action when kelodi
// ends, when a menu stays open that no Alt with a letter opened, or when a
// wait runs out. Status 0 once ACTIONS key events, pointer moves and focus
// changes were sent, every key is up again and no menu is open.
// KEY_SESSION_TRACE=1 prints every step.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// A menu shows, or closes, or the focus moves, within this time even on a
// loaded machine.
constexpr auto WaitLimit = std::chrono::seconds(30);

struct Failure {
    std::string what;
};

class Session {
public:
    Session(Display* display, Window main, long pid, int menuBarHeight, unsigned seed)
        : m_display(display), m_main(main), m_pid(pid), m_menuBarHeight(menuBarHeight), m_random(seed)
    {
        m_trace = std::getenv("KEY_SESSION_TRACE") != nullptr;
        for (const char* name : {"q", "w", "e", "r", "t", "a", "s", "d", "f", "g", "h", "j", "k", "l", "semicolon",
                                 "apostrophe", "u", "i", "o", "p", "bracketleft", "z", "x", "c", "v", "b"})
            m_playing.push_back(code(name));
        // The letters of the menu bar's menus: 文件 F, MIDI设备 D, 系统 X,
        // 显示 S, 曲目列表 Q, 练习 P, 帮助 H.
        for (const char* name : {"f", "d", "x", "s", "q", "p", "h"})
            m_menuLetters.push_back(code(name));
        m_shift = code("Shift_L");
        m_control = code("Control_L");
        m_alt = code("Alt_L");
        m_escape = code("Escape");
        m_left = code("Left");
        m_right = code("Right");
        m_pidAtom = XInternAtom(display, "_NET_WM_PID", False);
        m_typeAtom = XInternAtom(display, "_NET_WM_WINDOW_TYPE", False);
        m_tooltipAtom = XInternAtom(display, "_NET_WM_WINDOW_TYPE_TOOLTIP", False);
        m_activeAtom = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
        m_windowManager = hasWindowManager();
        // Menus are children of the root window: their showing is reported
        // even when they close again before a look at the screen sees them.
        XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
        createFocusThief();
        // A window manager gives the new window the focus.
        giveFocus(m_main, "the focus to go to kelodi");
        m_actions = 0;
    }

    long actions() const { return m_actions; }
    long groups() const { return m_groups; }

    void run(long actionCount)
    {
        while (m_actions < actionCount) {
            ++m_groups;
            checkRunning();
            // A menu whose Escape came before it showed may still be on its
            // way up and down; one that stays was opened without Alt.
            waitFor([this] { return !menuOpen(); }, "a menu that no Alt with a letter opened to close");
            const int kind = pick(100);
            if (kind < 35)
                playGroup(false);
            else if (kind < 45)
                playGroup(true);
            else if (kind < 70)
                menuGroup();
            else if (kind < 90)
                focusGroup();
            else
                pointerGroup();
            releaseAll();
        }
        waitFor([this] { return !menuOpen(); }, "the last menu to close");
        checkRunning();
    }

private:
    KeyCode code(const char* name)
    {
        const KeyCode c = XKeysymToKeycode(m_display, XStringToKeysym(name));
        if (c == 0)
            throw Failure{std::string("no key code for ") + name};
        return c;
    }

    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_random); }
    KeyCode playingKey() { return m_playing[static_cast<std::size_t>(pick(static_cast<int>(m_playing.size())))]; }

    // A person's pace between two keys: 0 to 12 ms.
    void pause() { std::this_thread::sleep_for(std::chrono::microseconds(pick(12000))); }

    void send(KeyCode key, bool down)
    {
        if (down == (std::find(m_held.begin(), m_held.end(), key) != m_held.end()))
            return;
        if (m_trace)
            std::printf("%ld %s %s\n", m_actions, down ? "down" : "up",
                        keyName(key));
        XTestFakeKeyEvent(m_display, key, down ? True : False, CurrentTime);
        XSync(m_display, False);
        if (down)
            m_held.push_back(key);
        else
            m_held.erase(std::find(m_held.begin(), m_held.end(), key));
        ++m_actions;
        pause();
    }

    const char* keyName(KeyCode key)
    {
        int perCode = 0;
        KeySym* syms = XGetKeyboardMapping(m_display, key, 1, &perCode);
        const KeySym sym = syms && perCode > 0 ? syms[0] : NoSymbol;
        if (syms)
            XFree(syms);
        const char* name = XKeysymToString(sym);
        return name ? name : "?";
    }

    void releaseAll()
    {
        while (!m_held.empty())
            send(m_held[static_cast<std::size_t>(pick(static_cast<int>(m_held.size())))], false);
    }

    // One to three playing keys pressed, held a little and let go in any
    // order; Shift (or Ctrl) goes down and up somewhere among them.
    void playGroup(bool withControl)
    {
        const KeyCode modifier = withControl ? m_control : m_shift;
        const bool withModifier = withControl || pick(2) == 0;
        const int count = 1 + pick(3);
        std::vector<KeyCode> keys;
        for (int i = 0; i < count; ++i)
            keys.push_back(playingKey());
        const int modifierDown = withModifier ? pick(count + 1) : -1;
        for (int i = 0; i < count; ++i) {
            if (i == modifierDown)
                send(modifier, true);
            send(keys[static_cast<std::size_t>(i)], true);
        }
        if (modifierDown == count)
            send(modifier, true);
        std::shuffle(keys.begin(), keys.end(), m_random);
        const int modifierUp = withModifier ? pick(count + 1) : -1;
        for (int i = 0; i < count; ++i) {
            if (i == modifierUp)
                send(modifier, false);
            send(keys[static_cast<std::size_t>(i)], false);
        }
    }

    // Alt with a menu's letter, then Escape (once, or twice: the second one
    // goes to the window). The menu is waited for most of the time; a fast
    // player's Escape comes before it shows.
    void menuGroup()
    {
        const KeyCode letter = m_menuLetters[static_cast<std::size_t>(pick(static_cast<int>(m_menuLetters.size())))];
        if (const KeyCode held = playingKey(); held != letter && pick(4) == 0)
            send(held, true);  // a key still held from the tune
        send(m_alt, true);
        menuShown();  // menus shown before the letter do not count
        send(letter, true);
        if (pick(2) == 0) {
            send(letter, false);
            send(m_alt, false);
        } else {
            send(m_alt, false);
            send(letter, false);
        }
        if (pick(4) != 0) {
            // The menu shows; it may close again on its own before Escape
            // (the program closes its menus when it loses the focus).
            bool shown = false;
            waitFor([this, &shown] {
                shown = menuShown() || shown;
                return shown || menuOpen();
            }, "the menu of Alt with a letter to open");
            // On to the next menu: with an arrow, or with the pointer where
            // it rests (on another title of the menu bar, say).
            const int next = pick(8);
            if (next == 0) {
                const KeyCode arrow = pick(2) == 0 ? m_left : m_right;
                send(arrow, true);
                send(arrow, false);
            } else if (next == 1) {
                nudgePointer();
            }
        }
        send(m_escape, true);
        send(m_escape, false);
        waitFor([this] { return !menuOpen(); }, "the menu to close after Escape");
        if (pick(3) == 0) {
            send(m_escape, true);
            send(m_escape, false);
        }
    }

    // Keys held (maybe with Shift) while another window takes the focus; some
    // are let go there, some pressed there, the rest after the focus is back.
    void focusGroup()
    {
        const int count = pick(3);
        if (pick(3) == 0)
            send(m_shift, true);
        for (int i = 0; i < count; ++i)
            send(playingKey(), true);
        if (pick(5) == 0) {
            send(m_alt, true);  // Alt held as the focus goes
        }
        giveFocus(m_thief, "the other window to take the focus");
        if (!m_held.empty() && pick(2) == 0)
            send(m_held[static_cast<std::size_t>(pick(static_cast<int>(m_held.size())))], false);
        if (pick(3) == 0) {
            const KeyCode away = playingKey();
            send(away, true);
            send(away, false);
        }
        if (pick(2) == 0)
            send(m_alt, false);
        giveFocus(m_main, "the focus to come back");
    }

    // The pointer goes to rest somewhere: on the menu bar, on the keys,
    // anywhere in the window or on the other window.
    void pointerGroup()
    {
        int x = 0, y = 0;
        const int where = pick(10);
        if (where < 4) {
            windowPoint(5 + pick(480), m_menuBarHeight / 2, x, y);
        } else if (where < 6) {
            windowPoint(10 + pick(720), m_menuBarHeight + 100 + pick(180), x, y);
        } else if (where < 8) {
            windowPoint(pick(745), pick(m_menuBarHeight + 353), x, y);
        } else {
            x = 900 + pick(200);
            y = 500 + pick(120);
        }
        movePointer(x, y);
    }

    void windowPoint(int x, int y, int& rootX, int& rootY)
    {
        Window child = 0;
        XTranslateCoordinates(m_display, m_main, DefaultRootWindow(m_display), x, y, &rootX, &rootY, &child);
    }

    void movePointer(int x, int y)
    {
        if (m_trace)
            std::printf("%ld pointer %d %d\n", m_actions, x, y);
        XTestFakeMotionEvent(m_display, -1, x, y, CurrentTime);
        XSync(m_display, False);
        ++m_actions;
        pause();
    }

    void nudgePointer()
    {
        Window root = 0, child = 0;
        int x = 0, y = 0, windowX = 0, windowY = 0;
        unsigned mask = 0;
        XQueryPointer(m_display, DefaultRootWindow(m_display), &root, &child, &x, &y, &windowX, &windowY, &mask);
        movePointer(x + 1 + pick(3), y);
    }

    void giveFocus(Window window, const char* what)
    {
        if (m_trace)
            std::printf("%ld focus %s\n", m_actions, window == m_main ? "main" : "other");
        if (m_windowManager) {
            // As a pager asks: the window manager moves the focus and raises.
            XEvent event{};
            event.xclient.type = ClientMessage;
            event.xclient.window = window;
            event.xclient.message_type = m_activeAtom;
            event.xclient.format = 32;
            event.xclient.data.l[0] = 2;
            event.xclient.data.l[1] = CurrentTime;
            XSendEvent(m_display, DefaultRootWindow(m_display), False,
                       SubstructureRedirectMask | SubstructureNotifyMask, &event);
        } else {
            XSetInputFocus(m_display, window, RevertToParent, CurrentTime);
        }
        XSync(m_display, False);
        ++m_actions;
        waitFor([this, window] { return focusWindow() == window; }, what);
        pause();
    }

    Window focusWindow()
    {
        Window focus = None;
        int revert = 0;
        XGetInputFocus(m_display, &focus, &revert);
        return focus;
    }

    template <typename Condition>
    void waitFor(Condition condition, const char* what)
    {
        const auto end = Clock::now() + WaitLimit;
        while (!condition()) {
            checkRunning();
            if (Clock::now() > end)
                fail(std::string("waited in vain for ") + what);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

    void checkRunning()
    {
        std::ifstream stat("/proc/" + std::to_string(m_pid) + "/stat");
        std::string pid, name, state;
        if (!(stat >> pid >> name >> state) || state == "Z" || state == "X")
            fail("kelodi has ended");
    }

    [[noreturn]] void fail(const std::string& what)
    {
        // Keys left down would stay down for everything after the session.
        for (KeyCode key : m_held)
            XTestFakeKeyEvent(m_display, key, False, CurrentTime);
        XSync(m_display, False);
        throw Failure{what + " (action " + std::to_string(m_actions) + ", group " + std::to_string(m_groups) + ")"};
    }

    // An open menu: a mapped override-redirect window of kelodi's that is not
    // a tool tip. Menus are direct children of the root window.
    bool menuOpen()
    {
        Window root = 0, parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(m_display, DefaultRootWindow(m_display), &root, &parent, &children, &count))
            return false;
        bool open = false;
        for (unsigned i = 0; i < count && !open; ++i) {
            XWindowAttributes attributes{};
            if (!XGetWindowAttributes(m_display, children[i], &attributes))
                continue;
            if (attributes.map_state != IsViewable || !attributes.override_redirect)
                continue;
            open = cardinal(children[i], m_pidAtom) == m_pid && cardinal(children[i], m_typeAtom) != long(m_tooltipAtom);
        }
        if (children)
            XFree(children);
        return open;
    }

    // Whether one of kelodi's menus was mapped since the last call, open
    // or closed by now. Reads (and drops) the events that came meanwhile. A
    // window that is gone already counts: kelodi destroys the window of a
    // menu that closed again at once.
    bool menuShown()
    {
        bool shown = false;
        while (XPending(m_display) > 0) {
            XEvent event{};
            XNextEvent(m_display, &event);
            if (event.type != MapNotify || !event.xmap.override_redirect ||
                event.xmap.event != DefaultRootWindow(m_display))
                continue;
            XWindowAttributes attributes{};
            if (!XGetWindowAttributes(m_display, event.xmap.window, &attributes) ||
                (cardinal(event.xmap.window, m_pidAtom) == m_pid &&
                 cardinal(event.xmap.window, m_typeAtom) != long(m_tooltipAtom)))
                shown = true;
        }
        return shown;
    }

    long cardinal(Window window, Atom property)
    {
        Atom type = None;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        long value = -1;
        if (XGetWindowProperty(m_display, window, property, 0, 1, False, AnyPropertyType, &type, &format, &items,
                               &after, &data) == Success &&
            data && items == 1 && format == 32)
            value = *reinterpret_cast<long*>(data);
        if (data)
            XFree(data);
        return value;
    }

    bool hasWindowManager()
    {
        const Atom check = XInternAtom(m_display, "_NET_SUPPORTING_WM_CHECK", False);
        return cardinal(DefaultRootWindow(m_display), check) > 0;
    }

    void createFocusThief()
    {
        m_thief = XCreateSimpleWindow(m_display, DefaultRootWindow(m_display), 900, 500, 200, 120, 0, 0,
                                      WhitePixel(m_display, DefaultScreen(m_display)));
        XStoreName(m_display, m_thief, "key_session");
        XSelectInput(m_display, m_thief, StructureNotifyMask | KeyPressMask | KeyReleaseMask | FocusChangeMask);
        XMapWindow(m_display, m_thief);
        XSync(m_display, False);
        waitFor([this] {
            XWindowAttributes attributes{};
            return XGetWindowAttributes(m_display, m_thief, &attributes) && attributes.map_state == IsViewable;
        }, "the other window to show");
    }

    Display* m_display;
    Window m_main;
    Window m_thief = 0;
    long m_pid;
    int m_menuBarHeight;
    std::mt19937 m_random;
    bool m_trace = false;
    bool m_windowManager = false;
    std::vector<KeyCode> m_playing;
    std::vector<KeyCode> m_menuLetters;
    std::vector<KeyCode> m_held;
    KeyCode m_shift = 0, m_control = 0, m_alt = 0, m_escape = 0, m_left = 0, m_right = 0;
    Atom m_pidAtom = 0, m_typeAtom = 0, m_tooltipAtom = 0, m_activeAtom = 0;
    long m_actions = 0;
    long m_groups = 0;
};

int xErrorIgnored(Display*, XErrorEvent*) { return 0; }  // a window gone between two calls

}  // namespace

int main(int argc, char* argv[])
{
    if (argc != 6) {
        std::fprintf(stderr, "usage: key_session SEED ACTIONS MAIN_WINDOW PID MENU_BAR_HEIGHT\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "key_session: cannot open the display\n");
        return 2;
    }
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(display, &event, &error, &major, &minor)) {
        std::fprintf(stderr, "key_session: the X server has no XTEST extension\n");
        return 2;
    }
    XSetErrorHandler(xErrorIgnored);
    const auto seed = static_cast<unsigned>(std::strtoul(argv[1], nullptr, 10));
    const long count = std::strtol(argv[2], nullptr, 10);
    const Window main = std::strtoul(argv[3], nullptr, 0);
    const long pid = std::strtol(argv[4], nullptr, 10);
    const int menuBarHeight = std::atoi(argv[5]);
    std::printf("key_session: seed %u, %ld actions\n", seed, count);
    std::fflush(stdout);
    const auto start = Clock::now();
    try {
        Session session(display, main, pid, menuBarHeight, seed);
        try {
            session.run(count);
        } catch (const Failure& failure) {
            std::printf("key_session: %s, seed %u\n", failure.what.c_str(), seed);
            return 1;
        }
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        std::printf("key_session: %ld actions in %ld groups, %.1f s\n", session.actions(), session.groups(), seconds);
    } catch (const Failure& failure) {
        std::printf("key_session: %s\n", failure.what.c_str());
        return 2;
    }
    XCloseDisplay(display);
    return 0;
}
