// The Windows program: one window, a 16 ms timer that drives the viewer, and a message loop
// that polls without ever waiting. The movement keys are polled on every tick; a click
// captures the mouse (raw input, the cursor hidden and clipped to the window), whose motion
// turns the view; Escape lets a captured mouse go, and otherwise closes the window. F1 saves
// "scrnsht.pcx", F11 and Alt+Enter switch between the window and full screen.
#include <windows.h>

#include <cstdint>
#include <ctime>
#include <string>
#include <utility>

#include "app/viewer.h"
#include "app/window_command_line.h"

using brindle::BitmapHandle;
using brindle::MoveKey;
using brindle::Renderer;
using brindle::Viewer;

// Shell state, one of each for the life of the process.
HWND mainWindow = nullptr;
int16_t clientWidth = 0;  // client area from the last WM_SIZE
int16_t clientHeight = 0;
int32_t ready = 0;  // 1 once the viewer has started; only then do timer messages tick
Viewer viewer;
brindle::Aspect aspect = brindle::Aspect::square;
bool mouseCaptured = false;  // raw mouse input turns the view
int32_t mouseMotion = 0;     // pixels to the right since the last tick
bool fullScreen = false;
WINDOWPLACEMENT windowedPlacement = {};  // where the window was before full screen

namespace {

constexpr char windowName[] = "Brindle";
constexpr UINT classStyle = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
static_assert(classStyle == 0x23);
constexpr int windowX = 50;
constexpr int windowY = 50;
constexpr int windowWidth = 646;  // outer size, frame and caption included
constexpr int windowHeight = 444;
constexpr UINT_PTR frameTimer = 1;
constexpr UINT framePeriodMs = 16;

bool keyHeld(int virtualKey) {
    return (static_cast<uint16_t>(GetAsyncKeyState(virtualKey)) & 0x8000u) != 0;
}

// The movement keys: the arrows, W/A/S/D beside them, ',' and '.' to strafe, Shift to run,
// Alt to strafe with Left and Right.
bool moveKeyHeld(MoveKey key) {
    switch (key) {
        case MoveKey::left:
            return keyHeld(VK_LEFT);
        case MoveKey::right:
            return keyHeld(VK_RIGHT);
        case MoveKey::up:
            return keyHeld(VK_UP) || keyHeld('W');
        case MoveKey::down:
            return keyHeld(VK_DOWN) || keyHeld('S');
        case MoveKey::strafeLeft:
            return keyHeld(VK_OEM_COMMA) || keyHeld('A');
        case MoveKey::strafeRight:
            return keyHeld(VK_OEM_PERIOD) || keyHeld('D');
        case MoveKey::run:
            return keyHeld(VK_SHIFT);
        case MoveKey::alt:
            return keyHeld(VK_MENU);
    }
    return false;
}

// Keeps the hidden cursor inside the client area, so that a click cannot land elsewhere.
void clipCursorToWindow() {
    RECT client;
    GetClientRect(mainWindow, &client);
    MapWindowPoints(mainWindow, nullptr, reinterpret_cast<POINT*>(&client), 2);
    ClipCursor(&client);
}

// Raw input reports the mouse's own motion, unaccelerated and unbounded by the screen edge.
void captureMouse(bool capture) {
    if (capture == mouseCaptured) {
        return;
    }
    RAWINPUTDEVICE mouse = {};
    mouse.usUsagePage = 0x01;  // generic desktop controls
    mouse.usUsage = 0x02;      // mouse
    mouse.dwFlags = capture ? 0 : RIDEV_REMOVE;
    mouse.hwndTarget = capture ? mainWindow : nullptr;
    if (!RegisterRawInputDevices(&mouse, 1, sizeof mouse) && capture) {
        return;
    }
    mouseCaptured = capture;
    mouseMotion = 0;
    if (capture) {
        clipCursorToWindow();
    } else {
        ClipCursor(nullptr);
    }
    ShowCursor(capture ? FALSE : TRUE);
}

void addRawMouseMotion(LPARAM input) {
    RAWINPUT raw;
    UINT size = sizeof raw;
    if (GetRawInputData(reinterpret_cast<HRAWINPUT>(input), RID_INPUT, &raw, &size,
                        sizeof(RAWINPUTHEADER)) == static_cast<UINT>(-1)) {
        return;
    }
    if (raw.header.dwType == RIM_TYPEMOUSE && (raw.data.mouse.usFlags & MOUSE_MOVE_ABSOLUTE) == 0) {
        mouseMotion += raw.data.mouse.lLastX;
    }
}

// Full screen is a borderless window over the whole monitor; leaving it restores the frame
// and the placement the window had.
void toggleFullScreen() {
    const LONG_PTR style = GetWindowLongPtrA(mainWindow, GWL_STYLE);
    if (!fullScreen) {
        MONITORINFO monitor = {};
        monitor.cbSize = sizeof monitor;
        windowedPlacement.length = sizeof windowedPlacement;
        if (!GetWindowPlacement(mainWindow, &windowedPlacement) ||
            !GetMonitorInfoA(MonitorFromWindow(mainWindow, MONITOR_DEFAULTTOPRIMARY), &monitor)) {
            return;
        }
        SetWindowLongPtrA(mainWindow, GWL_STYLE,
                          style & ~static_cast<LONG_PTR>(WS_OVERLAPPEDWINDOW));
        const RECT& area = monitor.rcMonitor;
        SetWindowPos(mainWindow, HWND_TOP, area.left, area.top, area.right - area.left,
                     area.bottom - area.top, SWP_NOOWNERZORDER | SWP_FRAMECHANGED);
    } else {
        SetWindowLongPtrA(mainWindow, GWL_STYLE, style | WS_OVERLAPPEDWINDOW);
        SetWindowPlacement(mainWindow, &windowedPlacement);
        SetWindowPos(mainWindow, nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_FRAMECHANGED);
    }
    fullScreen = !fullScreen;
    if (mouseCaptured) {
        clipCursorToWindow();
    }
}

// The title names the map shown. The window is an ANSI one, whose own text handling would lose
// the dash outside a few code pages, so the wide text goes to the Unicode default procedure.
void showTitle() {
    static std::string shown;
    const std::string title = brindle::viewerTitle(viewer);
    if (title == shown) {
        return;
    }
    const int length = MultiByteToWideChar(CP_UTF8, 0, title.c_str(), -1, nullptr, 0);
    if (length <= 0) {
        return;
    }
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, title.c_str(), -1, wide.data(), length);
    DefWindowProcW(mainWindow, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    shown = title;
}

}  // namespace

// Stretches the 640 x 400 frame onto the largest rectangle of the chosen aspect that fits the
// client area, centred, and paints the bars around it black.
void presentFrame(BitmapHandle bitmap) {
    if (bitmap == nullptr) {
        return;
    }
    const brindle::ScreenRect place = brindle::letterbox(clientWidth, clientHeight, aspect);
    HDC windowDc = GetDC(mainWindow);
    PatBlt(windowDc, 0, 0, clientWidth, place.y, BLACKNESS);
    PatBlt(windowDc, 0, place.y + place.height, clientWidth, clientHeight, BLACKNESS);
    PatBlt(windowDc, 0, place.y, place.x, place.height, BLACKNESS);
    PatBlt(windowDc, place.x + place.width, place.y, clientWidth, place.height, BLACKNESS);
    HDC frameDc = CreateCompatibleDC(windowDc);
    HGDIOBJ previous = SelectObject(frameDc, static_cast<HBITMAP>(bitmap));
    StretchBlt(windowDc, place.x, place.y, place.width, place.height, frameDc, 0, 0,
               brindle::frameWidth, brindle::frameHeight, SRCCOPY);
    SelectObject(frameDc, previous);
    DeleteDC(frameDc);
    ReleaseDC(mainWindow, windowDc);
}

// Shows the text in a stop box owned by the main window, waits for the user to close it,
// then asks the message loop to end.
int32_t showError(const char* text) {
    MessageBoxA(mainWindow, text, windowName, MB_ICONHAND);
    SendMessageA(mainWindow, WM_DESTROY, 0, 0);
    return -1;
}

// Waits up to `seconds`, or until Escape or Space is pressed; a key already held when the
// wait begins has to be let go first. Messages are not handled meanwhile.
void waitSeconds(int32_t seconds) {
    const std::clock_t start = std::clock();
    auto escapeOrSpace = [] { return keyHeld(VK_ESCAPE) || keyHeld(VK_SPACE); };
    while (escapeOrSpace()) {
    }
    // clock() counts milliseconds here; the limit is widened so a long wait cannot overflow.
    const int64_t limitMs = static_cast<int64_t>(seconds) * 1000;
    while (static_cast<int32_t>(std::clock() - start) < limitMs && !escapeOrSpace()) {
    }
}

// The keys every window shares. A key can arrive before the first tick has drawn anything;
// the viewer then draws the frame before saving it. The program has no console, so what the
// viewer reports (a map skipped, a failed save) goes nowhere.
void pressViewerKey(brindle::ViewerKey key) {
    if (ready == 1 && viewer.renderer) {
        brindle::pressKey(viewer, key, [](const std::string&) {});
        showTitle();
    }
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            // The picture is drawn only by ticks; painting just validates the area.
            PAINTSTRUCT paint;
            BeginPaint(window, &paint);
            EndPaint(window, &paint);
            break;
        }
        case WM_DESTROY:
            PostQuitMessage(0);
            break;
        case WM_SIZE:
            clientWidth = static_cast<int16_t>(LOWORD(lParam));
            clientHeight = static_cast<int16_t>(HIWORD(lParam));
            if (mouseCaptured) {
                clipCursorToWindow();
            }
            break;
        case WM_LBUTTONDOWN:
            captureMouse(true);
            break;
        case WM_INPUT:
            if (mouseCaptured) {
                addRawMouseMotion(lParam);
            }
            break;
        case WM_KILLFOCUS:
            captureMouse(false);
            break;
        case WM_SYSKEYDOWN:
            // Alt+Enter; the default procedure would only beep at it.
            if (wParam == VK_RETURN) {
                if ((lParam & (1 << 30)) == 0) {
                    toggleFullScreen();
                }
                return 0;
            }
            break;
        case WM_SYSCHAR:
            if (wParam == '\r') {
                return 0;
            }
            break;
        case WM_SYSCOMMAND:
            // Alt on its own would open the window menu and hold the keys; Alt strafes here.
            if ((wParam & 0xFFF0) == SC_KEYMENU) {
                return 0;
            }
            break;
        case WM_KEYDOWN:
            if (wParam == VK_ESCAPE) {
                // Escape first lets go of a captured mouse; only then does it close.
                if (mouseCaptured) {
                    captureMouse(false);
                } else {
                    PostMessageA(mainWindow, WM_CLOSE, 0, 0);
                }
            } else if (wParam == VK_F11) {
                if ((lParam & (1 << 30)) == 0) {  // not an auto-repeat
                    toggleFullScreen();
                }
            } else if (wParam == VK_F1) {
                pressViewerKey(brindle::ViewerKey::screenshot);
            } else if (wParam == VK_NEXT) {
                pressViewerKey(brindle::ViewerKey::nextMap);
            } else if (wParam == VK_PRIOR) {
                pressViewerKey(brindle::ViewerKey::previousMap);
            } else if (wParam == VK_TAB) {
                pressViewerKey(brindle::ViewerKey::toggleOverview);
            } else if (wParam == 'G') {
                pressViewerKey(brindle::ViewerKey::toggleLook);
            } else if (wParam == 'T') {
                pressViewerKey(brindle::ViewerKey::toggleThings);
            }
            break;
        case WM_TIMER:
            if (ready == 1) {
                brindle::tick(
                    viewer, moveKeyHeld,
                    [](const Renderer& renderer) { presentFrame(renderer.frameBitmap()); },
                    std::exchange(mouseMotion, 0));
            }
            break;
        default:
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previousInstance*/, LPSTR /*commandLine*/,
                   int showCommand) {
    ready = 0;

    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = classStyle;
    windowClass.lpfnWndProc = mainWindowProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = instance;
    // No icon resource ships with the program, so both loads give none and the system's
    // default icon shows.
    windowClass.hIcon = LoadIconA(instance, windowName);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = windowName;
    windowClass.hIconSm =
        static_cast<HICON>(LoadImageA(instance, windowName, IMAGE_ICON, 16, 16, 0));
    if (RegisterClassExA(&windowClass) == 0) {
        return 0;
    }

    HWND window = CreateWindowExA(0, windowName, windowName, WS_OVERLAPPEDWINDOW, windowX, windowY,
                                  windowWidth, windowHeight, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        return 0;
    }
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    mainWindow = window;

    // The same options as the Linux program; bare paths are files dropped on the program.
    brindle::WindowCommandLine line;
    std::string error;
    switch (brindle::parseWindowCommandLine(__argc, __argv, "Brindle", line, error)) {
        case brindle::CommandLineOutcome::run:
            break;
        case brindle::CommandLineOutcome::help:
            MessageBoxA(mainWindow, error.c_str(), windowName, MB_ICONINFORMATION);
            return 0;
        case brindle::CommandLineOutcome::wrongLine:
        case brindle::CommandLineOutcome::badFile:
            showError(error.c_str());
            return 1;
    }
    brindle::ViewerOptions options;
    options.wadPath = line.archives.wadPath.empty() ? ".\\Doom1.wad" : line.archives.wadPath;
    options.files = line.archives.files;
    options.mapName = line.archives.mapName;
    // With no map named and nothing added the program shows E1M1, as it always has.
    if (options.mapName.empty() && options.files.empty()) {
        options.mapName = "E1M1";
    }
    options.floors = line.floors;
    options.look = line.look;
    options.things = line.things;
    options.skill = line.skill;
    options.window = mainWindow;
    aspect = line.aspect;
    if (brindle::startViewer(viewer, options, error) != 1) {
        // Without an archive and a level there is nothing to show: say why and fail.
        if (error.empty()) {
            error = "Cannot show level " + options.mapName + " of " + options.wadPath;
        }
        showError(error.c_str());
        return 1;
    }
    ready = 1;
    showTitle();

    SetTimer(mainWindow, frameTimer, framePeriodMs, nullptr);
    MSG message = {};
    for (;;) {
        if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                break;
            }
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        // Nothing waiting: poll again at once, the loop never blocks.
    }
    KillTimer(mainWindow, frameTimer);
    return static_cast<int>(message.wParam);
}
