// The Windows program: one window, a 16 ms timer that drives the viewer, and a message loop
// that polls without ever waiting. Escape closes the window, F1 saves "scrnsht.pcx", the
// arrow keys are polled on every tick.
#include <windows.h>

#include <cstdint>
#include <ctime>
#include <string>

#include "app/viewer.h"
#include "app/window_command_line.h"

using brindle::ArrowKey;
using brindle::BitmapHandle;
using brindle::Renderer;
using brindle::Viewer;

// Shell state, one of each for the life of the process.
HWND mainWindow = nullptr;
int16_t clientWidth = 0;  // client area from the last WM_SIZE
int16_t clientHeight = 0;
int32_t ready = 0;  // 1 once the viewer has started; only then do timer messages tick
Viewer viewer;

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

bool arrowHeld(ArrowKey key) {
    switch (key) {
        case ArrowKey::left:
            return keyHeld(VK_LEFT);
        case ArrowKey::right:
            return keyHeld(VK_RIGHT);
        case ArrowKey::up:
            return keyHeld(VK_UP);
        case ArrowKey::down:
            return keyHeld(VK_DOWN);
    }
    return false;
}

}  // namespace

// Stretches the 640 x 400 frame onto the whole client area of the main window.
void presentFrame(BitmapHandle bitmap) {
    if (bitmap == nullptr) {
        return;
    }
    HDC windowDc = GetDC(mainWindow);
    HDC frameDc = CreateCompatibleDC(windowDc);
    HGDIOBJ previous = SelectObject(frameDc, static_cast<HBITMAP>(bitmap));
    StretchBlt(windowDc, 0, 0, clientWidth, clientHeight, frameDc, 0, 0, brindle::frameWidth,
               brindle::frameHeight, SRCCOPY);
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
            break;
        case WM_KEYDOWN:
            if (wParam == VK_ESCAPE) {
                PostMessageA(mainWindow, WM_CLOSE, 0, 0);
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
                brindle::tick(viewer, arrowHeld, [](const Renderer& renderer) {
                    presentFrame(renderer.frameBitmap());
                });
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
    if (brindle::startViewer(viewer, options, error) != 1) {
        // Without an archive and a level there is nothing to show: say why and fail.
        if (error.empty()) {
            error = "Cannot show level " + options.mapName + " of " + options.wadPath;
        }
        showError(error.c_str());
        return 1;
    }
    ready = 1;

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
