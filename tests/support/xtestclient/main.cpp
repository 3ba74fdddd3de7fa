// brisklet-xtestclient: a small X client for the integration tests. It opens one
// or more top-level windows with the class, title, type and size hints it is
// given, prints "window 0x…" for each once it is mapped, and exits when its last
// window is closed through WM_DELETE_WINDOW, on SIGTERM, or once the test program
// named by BRISKLET_TEST_OWNER_PID is gone (so a test that dies leaves no
// windows on the shared display).
//
//   --class inst,Class   WM_CLASS (default "xtestclient,XTestClient")
//   --title TEXT         _NET_WM_NAME and WM_NAME
//   --wm-name-only       set only WM_NAME (Latin-1), as old clients do
//   --no-pid             leave out _NET_WM_PID
//   --type T             normal | dialog | dock | utility | splash
//   --geometry WxH+X+Y   requested size and position
//   --min WxH, --max WxH size hints (equal values make a fixed size)
//   --count N            open N windows in this one process
//   --key-log FILE       append "press N" / "release N" for every key event its
//                        windows receive (N is the X keycode), and "button N"
//                        for every mouse button pressed on them
//   --inc WxH            size increments
//   --strut-bottom N     reserve N pixels at the bottom of the screen (for docks)
//   --gtk-extents l,r,t,b  client-side shadows (_GTK_FRAME_EXTENTS)
//   --refuse-focus       WM_HINTS input=False and no WM_TAKE_FOCUS
//   --map-after S        map the windows only after S seconds
//   TEXT…                any other arguments (URLs or files from a launcher) are
//                        pages: the window is titled after the first
//   --new-window         accepted before pages, as browsers take it
//   --page-after S       a window given pages maps only after S seconds (a page loading)
//   --page-title TEXT    a window given pages is titled TEXT instead of the first page
//   --restore FILE:N:S   a browser's session: the first start of all (FILE is absent,
//                        and is made) also maps N windows "Restored 1…N", the first at
//                        once and each next one S seconds later; a first start
//                        without pages maps only those
//   --cold FILE          the first start of all (FILE is absent, and is made) starts
//                        the browser, as --restore's does, without a session
//   --ignore-startup-id  never show the startup id
//   --startup-id-off-at-map S  a window given pages shows the startup id for S
//                        seconds, then takes it off again just before it maps
// The startup id of the launch (DESKTOP_STARTUP_ID) goes on the windows it opens as
// _NET_STARTUP_ID; a start that starts the browser (--restore, --cold) puts it only
// on its client leader, which every window of the process names (WM_CLIENT_LEADER).
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <string>
#include <unistd.h>
#include <vector>
#include <xcb/xcb.h>
#include <xcb/xcb_icccm.h>

namespace {

volatile std::sig_atomic_t stopRequested = 0;
void onSignal(int) {
    stopRequested = 1;
}

struct Options {
    std::string instance = "xtestclient";
    std::string klass = "XTestClient";
    std::string title = "X test client";
    bool wmNameOnly = false;
    bool pid = true;
    std::string type = "normal";
    int x = 0, y = 0, w = 400, h = 300;
    bool positioned = false;
    int minW = 0, minH = 0, maxW = 0, maxH = 0;
    int count = 1;
    std::string keyLog;
    int incW = 0, incH = 0;
    int strutBottom = 0;
    bool gtkExtents = false;
    int gtkL = 0, gtkR = 0, gtkT = 0, gtkB = 0;
    bool refuseFocus = false;
    double mapAfter = 0;
    std::vector<std::string> pages;
    double pageAfter = 0;
    std::string pageTitle;
    std::string sessionFile;
    int restored = 0;
    double restoreGap = 0;
    std::string coldFile;
    bool showStartupId = true;
    double startupIdFor = -1; // seconds the id stays on before it is taken off; -1 keeps it
};

double monotonicNow() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

bool parseSize(const char* text, int& w, int& h) {
    return std::sscanf(text, "%dx%d", &w, &h) == 2;
}

xcb_atom_t intern(xcb_connection_t* c, const char* name) {
    auto reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
    xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

// The test program that started us, directly or through a launcher; 0 when none.
pid_t ownerPid() {
    const char* text = std::getenv("BRISKLET_TEST_OWNER_PID");
    const long pid = text ? std::atol(text) : 0;
    return pid > 1 ? static_cast<pid_t>(pid) : 0;
}

// Gone, or dead and waiting to be reaped.
bool isGone(pid_t pid) {
    if (kill(pid, 0) != 0)
        return errno == ESRCH;
    const std::string path = "/proc/" + std::to_string(pid) + "/stat";
    FILE* stat = std::fopen(path.c_str(), "r");
    if (!stat)
        return true;
    char line[512] = {};
    const size_t n = std::fread(line, 1, sizeof line - 1, stat);
    std::fclose(stat);
    const char* close = std::strrchr(line, ')');
    if (n == 0 || !close || close[1] == '\0')
        return false;
    return close[2] == 'Z' || close[2] == 'X';
}

int usage() {
    std::fprintf(stderr, "brisklet-xtestclient: bad arguments (see the source for the options)\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto next = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        if (arg == "--class") {
            const char* v = next();
            if (!v)
                return usage();
            std::string s = v;
            auto comma = s.find(',');
            if (comma == std::string::npos)
                return usage();
            o.instance = s.substr(0, comma);
            o.klass = s.substr(comma + 1);
        } else if (arg == "--title") {
            const char* v = next();
            if (!v)
                return usage();
            o.title = v;
        } else if (arg == "--wm-name-only") {
            o.wmNameOnly = true;
        } else if (arg == "--no-pid") {
            o.pid = false;
        } else if (arg == "--type") {
            const char* v = next();
            if (!v)
                return usage();
            o.type = v;
        } else if (arg == "--geometry") {
            const char* v = next();
            if (!v || std::sscanf(v, "%dx%d+%d+%d", &o.w, &o.h, &o.x, &o.y) != 4)
                return usage();
            o.positioned = true;
        } else if (arg == "--min") {
            const char* v = next();
            if (!v || !parseSize(v, o.minW, o.minH))
                return usage();
        } else if (arg == "--max") {
            const char* v = next();
            if (!v || !parseSize(v, o.maxW, o.maxH))
                return usage();
        } else if (arg == "--count") {
            const char* v = next();
            if (!v || (o.count = std::atoi(v)) < 1)
                return usage();
        } else if (arg == "--key-log") {
            const char* v = next();
            if (!v)
                return usage();
            o.keyLog = v;
        } else if (arg == "--inc") {
            const char* v = next();
            if (!v || !parseSize(v, o.incW, o.incH))
                return usage();
        } else if (arg == "--strut-bottom") {
            const char* v = next();
            if (!v || (o.strutBottom = std::atoi(v)) < 1)
                return usage();
        } else if (arg == "--gtk-extents") {
            const char* v = next();
            if (!v || std::sscanf(v, "%d,%d,%d,%d", &o.gtkL, &o.gtkR, &o.gtkT, &o.gtkB) != 4)
                return usage();
            o.gtkExtents = true;
        } else if (arg == "--refuse-focus") {
            o.refuseFocus = true;
        } else if (arg == "--map-after") {
            const char* v = next();
            if (!v || (o.mapAfter = std::atof(v)) < 0)
                return usage();
        } else if (arg == "--page-after") {
            const char* v = next();
            if (!v || (o.pageAfter = std::atof(v)) < 0)
                return usage();
        } else if (arg == "--page-title") {
            const char* v = next();
            if (!v)
                return usage();
            o.pageTitle = v;
        } else if (arg == "--restore") {
            const char* v = next();
            const std::string text = v ? v : "";
            const auto a = text.rfind(':');
            const auto b = a == std::string::npos || a == 0 ? std::string::npos : text.rfind(':', a - 1);
            if (b == std::string::npos || b == 0)
                return usage();
            o.sessionFile = text.substr(0, b);
            o.restored = std::atoi(text.substr(b + 1, a - b - 1).c_str());
            o.restoreGap = std::atof(text.substr(a + 1).c_str());
            if (o.restored < 1 || o.restoreGap < 0)
                return usage();
        } else if (arg == "--cold") {
            const char* v = next();
            if (!v)
                return usage();
            o.coldFile = v;
        } else if (arg == "--ignore-startup-id") {
            o.showStartupId = false;
        } else if (arg == "--startup-id-off-at-map") {
            const char* v = next();
            if (!v || (o.startupIdFor = std::atof(v)) < 0)
                return usage();
        } else if (arg == "--new-window") {
            // Browsers take this before their pages; the pages themselves follow.
        } else if (!arg.empty() && arg[0] != '-') {
            o.pages.push_back(arg); // a URL or file given by a launcher
        } else {
            return usage();
        }
    }
    FILE* keyLog = nullptr;
    if (!o.keyLog.empty() && !(keyLog = std::fopen(o.keyLog.c_str(), "a")))
        return usage();
    if (!o.pages.empty())
        o.title = o.pageTitle.empty() ? o.pages.front() : o.pageTitle;

    std::signal(SIGTERM, onSignal);
    std::signal(SIGINT, onSignal);

    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "brisklet-xtestclient: can't open the display\n");
        return 1;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;

    const xcb_atom_t wmProtocols = intern(c, "WM_PROTOCOLS");
    const xcb_atom_t wmDelete = intern(c, "WM_DELETE_WINDOW");
    const xcb_atom_t netWmName = intern(c, "_NET_WM_NAME");
    const xcb_atom_t utf8 = intern(c, "UTF8_STRING");
    const xcb_atom_t netWmPid = intern(c, "_NET_WM_PID");
    const xcb_atom_t netWmType = intern(c, "_NET_WM_WINDOW_TYPE");
    const std::string typeName = "_NET_WM_WINDOW_TYPE_" + [&] {
        std::string upper = o.type;
        for (auto& ch : upper)
            ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        return upper;
    }();
    const xcb_atom_t typeAtom = intern(c, typeName.c_str());

    // A session is restored once, by the first start of all, which starts cold.
    auto firstStart = [](const std::string& file) {
        if (file.empty() || access(file.c_str(), F_OK) == 0)
            return false;
        FILE* made = std::fopen(file.c_str(), "w");
        if (made)
            std::fclose(made);
        return made != nullptr;
    };
    const bool restoring = firstStart(o.sessionFile);
    const bool cold = restoring || firstStart(o.coldFile);
    const char* startupEnv = std::getenv("DESKTOP_STARTUP_ID");
    const std::string startupId = o.showStartupId && startupEnv ? startupEnv : "";
    const xcb_atom_t netStartupId = intern(c, "_NET_STARTUP_ID");
    const xcb_atom_t clientLeader = intern(c, "WM_CLIENT_LEADER");
    const xcb_window_t leader = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, leader, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, leader, clientLeader, XCB_ATOM_WINDOW, 32, 1, &leader);
    if (cold && !startupId.empty())
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, leader, netStartupId, utf8, 8, startupId.size(),
                            startupId.data());

    std::vector<xcb_window_t> windows;
    auto makeWindow = [&](const std::string& title) {
        xcb_window_t win = xcb_generate_id(c);
        uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        if (keyLog)
            mask |= XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_KEY_RELEASE | XCB_EVENT_MASK_BUTTON_PRESS;
        const uint32_t values[] = {screen->white_pixel, mask};
        xcb_create_window(c, XCB_COPY_FROM_PARENT, win, screen->root, o.x, o.y, o.w, o.h, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                          XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
        std::string wmClass = o.instance + '\0' + o.klass + '\0';
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, win, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                            wmClass.size(), wmClass.data());
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, win, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, title.size(),
                            title.data());
        if (!o.wmNameOnly)
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, win, netWmName, utf8, 8, title.size(),
                                title.data());
        if (o.pid) {
            const uint32_t pid = static_cast<uint32_t>(getpid());
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, win, netWmPid, XCB_ATOM_CARDINAL, 32, 1, &pid);
        }
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, win, netWmType, XCB_ATOM_ATOM, 32, 1, &typeAtom);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, win, wmProtocols, XCB_ATOM_ATOM, 32, 1, &wmDelete);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, win, clientLeader, XCB_ATOM_WINDOW, 32, 1, &leader);
        if (!cold && !startupId.empty())
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, win, netStartupId, utf8, 8, startupId.size(),
                                startupId.data());

        xcb_size_hints_t hints{};
        if (o.positioned) {
            xcb_icccm_size_hints_set_position(&hints, 1, o.x, o.y);
            xcb_icccm_size_hints_set_size(&hints, 1, o.w, o.h);
        }
        if (o.minW > 0)
            xcb_icccm_size_hints_set_min_size(&hints, o.minW, o.minH);
        if (o.maxW > 0)
            xcb_icccm_size_hints_set_max_size(&hints, o.maxW, o.maxH);
        if (o.incW > 0)
            xcb_icccm_size_hints_set_resize_inc(&hints, o.incW, o.incH);
        xcb_icccm_set_wm_normal_hints(c, win, &hints);
        if (o.strutBottom > 0) {
            const uint32_t sw = screen->width_in_pixels;
            const uint32_t strut[12] = {0, 0, 0, uint32_t(o.strutBottom), 0, 0, 0, 0, 0, 0, 0, sw - 1};
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, win, intern(c, "_NET_WM_STRUT_PARTIAL"),
                                XCB_ATOM_CARDINAL, 32, 12, strut);
        }
        if (o.gtkExtents) {
            const uint32_t ext[4] = {uint32_t(o.gtkL), uint32_t(o.gtkR), uint32_t(o.gtkT), uint32_t(o.gtkB)};
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, win, intern(c, "_GTK_FRAME_EXTENTS"),
                                XCB_ATOM_CARDINAL, 32, 4, ext);
        }
        if (o.refuseFocus) {
            xcb_icccm_wm_hints_t wmHints{};
            xcb_icccm_wm_hints_set_input(&wmHints, 0);
            xcb_icccm_set_wm_hints(c, win, &wmHints);
        }
        windows.push_back(win);
        return win;
    };
    std::vector<std::pair<double, xcb_window_t>> later; // windows mapped after a delay
    const double started = monotonicNow();
    if (!restoring || !o.pages.empty())
        for (int n = 0; n < o.count; ++n) {
            const xcb_window_t win =
                makeWindow(o.count > 1 ? o.title + " " + std::to_string(n + 1) : o.title);
            if (!o.pages.empty() && o.pageAfter > 0)
                later.emplace_back(started + o.pageAfter, win);
        }
    if (restoring)
        for (int n = 0; n < o.restored; ++n) {
            const xcb_window_t win = makeWindow("Restored " + std::to_string(n + 1));
            if (n > 0)
                later.emplace_back(started + n * o.restoreGap, win);
        }
    auto isLater = [&](xcb_window_t win) {
        return std::any_of(later.begin(), later.end(), [&](const auto& l) { return l.second == win; });
    };
    xcb_flush(c);
    if (o.startupIdFor >= 0 && !cold && !startupId.empty() && !o.pages.empty()) {
        usleep(static_cast<useconds_t>(o.startupIdFor * 1e6));
        for (xcb_window_t win : windows)
            xcb_delete_property(c, win, netStartupId);
        xcb_flush(c);
    }
    if (o.mapAfter > 0)
        usleep(static_cast<useconds_t>(o.mapAfter * 1e6));
    // Told to stop before showing anything: a window shown only to vanish at once
    // would race the window manager for nothing.
    if (stopRequested) {
        xcb_disconnect(c);
        return 0;
    }
    for (xcb_window_t win : windows)
        if (!isLater(win))
            xcb_map_window(c, win);
    xcb_flush(c);
    for (xcb_window_t win : windows)
        if (!isLater(win))
            std::printf("window 0x%x\n", win);
    std::fflush(stdout);

    const pid_t owner = ownerPid();
    const int fd = xcb_get_file_descriptor(c);
    while (!stopRequested && !windows.empty()) {
        if (owner && isGone(owner))
            break;
        for (auto it = later.begin(); it != later.end();) {
            if (monotonicNow() < it->first) {
                ++it;
                continue;
            }
            xcb_map_window(c, it->second);
            xcb_flush(c);
            std::printf("window 0x%x\n", it->second);
            std::fflush(stdout);
            it = later.erase(it);
        }
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, later.empty() ? 200 : 20) < 0 && !stopRequested)
            continue;
        while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
            const uint8_t kind = event->response_type & 0x7f;
            if (keyLog && (kind == XCB_KEY_PRESS || kind == XCB_KEY_RELEASE)) {
                auto* key = reinterpret_cast<xcb_key_press_event_t*>(event);
                std::fprintf(keyLog, "%s %u\n", kind == XCB_KEY_PRESS ? "press" : "release", key->detail);
                std::fflush(keyLog);
            } else if (keyLog && kind == XCB_BUTTON_PRESS) {
                auto* button = reinterpret_cast<xcb_button_press_event_t*>(event);
                std::fprintf(keyLog, "button %u\n", button->detail);
                std::fflush(keyLog);
            } else if (kind == XCB_CLIENT_MESSAGE) {
                auto* msg = reinterpret_cast<xcb_client_message_event_t*>(event);
                if (msg->type == wmProtocols && msg->data.data32[0] == wmDelete) {
                    xcb_destroy_window(c, msg->window);
                    std::erase(windows, msg->window);
                    xcb_flush(c);
                }
            }
            std::free(event);
        }
        if (xcb_connection_has_error(c))
            break;
    }
    xcb_disconnect(c);
    if (keyLog)
        std::fclose(keyLog);
    return 0;
}
