#include "gumplab/GumpLab.h"

#include "gumplab/ChatScene.h"
#include "gumplab/ControlsScene.h"
#include "gumplab/InputsScene.h"
#include "gumplab/ServerWindowsScene.h"

#include "app/MainWindow.h"
#include "core/CDHDCache.h"
#include "core/FileManager.h"
#include "core/GameTicks.h"
#include "core/Options.h"
#include "gumps/CGump.h"
#include "gumps/CGumpManager.h"
#include "gumps/GumpWorld.h"
#include "gumps/MouseManager.h"
#include "platform/headless.h"
#include "platform/platform.h"
#include "render/BackBuffer.h"
#include "render/GumpArt.h"
#include "render/HueManager.h"
#include "render/Ppm.h"
#include "text/FontManager.h"
#include "text/LanguageManager.h"
#include "text/UnicodeFont.h"

#include <cstdio>

namespace gumplab {
namespace {

constexpr int kWidth = 640, kHeight = 480;
constexpr int kSampleWindowArt = 4;

// A window dragged by its body; a right click closes it.
class LabWindow : public CGump {
  public:
    LabWindow(int x_, int y_, int tooltip) : CGump(x_, y_, 0, 0, 0, 0) {
        gumpArt = kSampleWindowArt;
        GetGumpArtSize(gumpArt, &width, &height);
        tooltipId = tooltip;
        Attach(nullptr);
    }
    void HandleLButtonDown(int x_, int y_) override { DialogBeginDrag(this, drag_, x_, y_); }
    void HandleCaptureMove(int x_, int y_) override { DialogDrag(this, drag_, x_, y_); }
    void HandleLButtonUp(int, int) override { DialogEndDrag(this, drag_); }
    void HandleRButtonUp(int x_, int y_) override { DeleteSelfHandler(this, x_, y_); }

  private:
    DialogDragState drag_;
};

// A modal box: nothing else takes clicks until its button is pressed.
class LabModal : public CGump {
  public:
    LabModal() : CGump(220, 180, 0, 1, 200, 80) {
        PixelBlock& block = SetFrame(0, PixelBlock(width, height));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                block.At(x, y) = (x < 3 || y < 3 || x >= width - 3 || y >= height - 3) ? 0x7E00 : 0x0C63;
        Attach(nullptr);
        button_ = new Button(this);
        CGumpManager::SetModal(this);
    }

  private:
    class Button : public CGump {
      public:
        explicit Button(CGump* parent) : CGump(70, 45, 0, 1, 60, 20) {
            PixelBlock& block = SetFrame(0, PixelBlock(width, height));
            std::fill(block.pixels.begin(), block.pixels.end(), 0x03E0);
            tooltipId = 2; // "A sample button"
            Attach(parent);
        }
        void HandleLButtonUp(int x_, int y_) override {
            CGump::HandleLButtonUp(x_, y_);
            if (x_ >= 0 && y_ >= 0 && x_ < width && y_ < height) DeleteGumpCallback(parent());
        }
    };
    Button* button_ = nullptr;
};

void FillWorld() {
    for (int y = 0; y < BackBuffer::Height(); ++y)
        for (int x = 0; x < BackBuffer::Width(); ++x)
            BackBuffer::Pixels()[BackBuffer::IndexOf(x, y)] =
                static_cast<uint16_t>((((x / 16 + y / 16) & 1) ? 0x1084 : 0x0842) | ((x * 31 / kWidth) & 31));
}

bool g_quit = false;

intptr_t LabProc(const platform::Message& msg) {
    const int x = platform::LowWordSigned(msg.lParam), y = platform::HighWordSigned(msg.lParam);
    switch (msg.id) {
    case platform::WM_LBUTTONDOWN:
        MouseManager::OnLButtonDown(x, y);
        return 0;
    case platform::WM_LBUTTONUP:
        MouseManager::OnLButtonUp(x, y);
        return 0;
    case platform::WM_RBUTTONDOWN:
        MouseManager::OnRButtonDown(x, y);
        return 0;
    case platform::WM_RBUTTONUP:
        MouseManager::OnRButtonUp(x, y);
        return 0;
    case platform::WM_CHAR:
        GumpHandleKey(CGumpManager::GetFocus(), static_cast<int>(msg.wParam));
        return 0;
    case platform::WM_DESTROY:
        g_quit = true;
        return 0;
    default:
        return platform::DefWindowProc(msg);
    }
}

void BuildWindowsScene() {
    new LabWindow(20, 20, 0);
    new LabWindow(150, 90, 1);
    new LabWindow(520, 380, 3); // partly off the window
    new LabModal();
}

// One frame: input, the mouse and gump updates, then every gump drawn over the world and presented.
bool Step() {
    platform::Message msg;
    while (platform::PeekMessage(msg))
        platform::DispatchMessage(msg);
    if (g_quit) return false;
    MouseManager::Update();
    CGumpManager::Update();
    ChatSceneTick();
    const Rect all{0, 0, BackBuffer::Width(), BackBuffer::Height()};
    CGumpManager::DrawAllGumps(&all, true);
    return true;
}

void Frames(int n) {
    for (int i = 0; i < n && Step(); ++i)
        platform::SleepMillis(20);
}

// The headless session behind --shot: press the modal box's button, drag a window, rest on another.
void Script() {
    namespace h = platform::headless;
    Frames(2);
    h::PushMouse(platform::WM_MOUSEMOVE, 300, 235);
    h::PushMouse(platform::WM_LBUTTONDOWN, 300, 235, 1);
    h::PushMouse(platform::WM_LBUTTONUP, 300, 235);
    Frames(2);
    h::PushMouse(platform::WM_LBUTTONDOWN, 60, 60, 1);
    Frames(1);
    h::PushMouse(platform::WM_MOUSEMOVE, 100, 120, 1);
    Frames(2);
    h::PushMouse(platform::WM_LBUTTONUP, 100, 120);
    Frames(1);
    h::PushMouse(platform::WM_MOUSEMOVE, 250, 150);
    Frames(2);
    platform::SleepMillis(static_cast<uint32_t>(ToolTipPreDelay) + 50);
    Frames(2);
}

// The controls session: check a box, drag the thumb, open the modal message and answer it with
// Enter, then open the yes/no question and leave it open.
void ControlsScript() {
    namespace h = platform::headless;
    using L = ControlsLayout;
    Frames(2);
    h::PushMouse(platform::WM_MOUSEMOVE, L::kToggleX + 5, L::kToggleY + 5);
    h::PushMouse(platform::WM_LBUTTONDOWN, L::kToggleX + 5, L::kToggleY + 5, 1);
    h::PushMouse(platform::WM_LBUTTONUP, L::kToggleX + 5, L::kToggleY + 5);
    Frames(2);
    h::PushMouse(platform::WM_MOUSEMOVE, L::kThumbX + 5, L::kThumbY + 5);
    h::PushMouse(platform::WM_LBUTTONDOWN, L::kThumbX + 5, L::kThumbY + 5, 1);
    Frames(1);
    h::PushMouse(platform::WM_MOUSEMOVE, L::kThumbX + 105, L::kThumbY + 5, 1);
    Frames(2);
    h::PushMouse(platform::WM_LBUTTONUP, L::kThumbX + 105, L::kThumbY + 5);
    Frames(1);
    h::PushMouse(platform::WM_MOUSEMOVE, L::kNoteX + 10, L::kNoteY + 10);
    h::PushMouse(platform::WM_LBUTTONDOWN, L::kNoteX + 10, L::kNoteY + 10, 1);
    h::PushMouse(platform::WM_LBUTTONUP, L::kNoteX + 10, L::kNoteY + 10);
    Frames(2);
    h::PushChar(13);
    Frames(2);
    h::PushMouse(platform::WM_MOUSEMOVE, L::kAskX + 10, L::kAskY + 10);
    h::PushMouse(platform::WM_LBUTTONDOWN, L::kAskX + 10, L::kAskY + 10, 1);
    h::PushMouse(platform::WM_LBUTTONUP, L::kAskX + 10, L::kAskY + 10);
    Frames(3);
}

// Lines arrive; click the input, type a line and send it (nothing is connected: it only clears).
void ChatScript() {
    namespace h = platform::headless;
    Frames(130);
    h::PushMouse(platform::WM_LBUTTONDOWN, 60, 300, 1);
    h::PushMouse(platform::WM_LBUTTONUP, 60, 300);
    Frames(1);
    for (char16_t u : std::u16string(u"hello"))
        h::PushChar(u);
    Frames(2);
}

} // namespace

bool IsKnownScene(const std::string& scene) {
    return scene == "windows" || scene == "controls" || scene == "chat" || scene == "html" ||
           scene == "inputs" || scene == "generic" || scene == "popup";
}

namespace {
void Close() {
    EndServerWindowScenes();
    MouseManager::shutdown();
    CGumpManager::shutdown();
    FontManager::shutdown();
    if (platform::HasMainWindow()) platform::DestroyMainWindow();
    LanguageManager::shutdown();
    HueManager::shutdown();
    CDHDCache::shutdown();
    FileManager::shutdown();
    BackBuffer::Release();
    g_quit = false;
}
} // namespace

bool Run(const Options& options, std::string* error) {
    if (!IsKnownScene(options.scene)) {
        if (error) *error = "unknown scene " + options.scene;
        return false;
    }
    if (!options.shotPath.empty()) platform::UseBackend(platform::BackendKind::Headless);
    FileManager::startupWithPaths(options.installDir, "");
    CDHDCache::startup();
    CDHDCache::Init();
    HueManager::startup();
    LanguageManager::startup();
    FontManager::startup();
    int w = 0, h = 0;
    GetGumpArtSize(kSampleWindowArt, &w, &h);
    if (w == 0) {
        if (error) *error = "no sample window art in " + options.installDir;
        Close();
        return false;
    }
    platform::WindowDesc desc;
    desc.title = "gumplab - " + options.scene;
    desc.clientWidth = kWidth;
    desc.clientHeight = kHeight;
    if (!platform::CreateMainWindow(desc, LabProc)) {
        if (error) *error = "no window";
        Close();
        return false;
    }
    BackBuffer::Resize(kWidth, kHeight);
    FillWorld();
    GumpWorld().inGameDisplay = [] { return true; };
    GumpWorld().warMode = [] { return true; };
    CGumpManager::startup();
    MouseManager::startup();
    MouseManager::LoadCursors();
    MouseManager::SetSoftwareCursor(true);
    ToolTipFont = 1;
    const bool controls = options.scene == "controls";
    const bool chat = options.scene == "chat", html = options.scene == "html";
    const bool inputs = options.scene == "inputs";
    const bool generic = options.scene == "generic", popup = options.scene == "popup";
    if (generic) {
        if (!BuildGenericScene(options.sceneArg, error)) {
            Close();
            return false;
        }
    } else if (popup) {
        BuildPopupScene();
    } else if (controls) {
        BuildControlsScene();
    } else if (chat) {
        BuildChatScene();
    } else if (inputs) {
        BuildInputsScene();
    } else if (html) {
        if (!BuildHtmlScene(options.sceneArg, error)) {
            Close();
            return false;
        }
    } else {
        BuildWindowsScene();
    }

    if (!options.shotPath.empty()) {
        if (generic)
            GenericScript(Frames);
        else if (popup)
            PopupScript(Frames);
        else if (controls)
            ControlsScript();
        else if (chat)
            ChatScript();
        else if (html)
            Frames(3);
        else if (inputs)
            InputsScript(Frames);
        else
            Script();
        const platform::headless::Frame& frame = platform::headless::LastFrame();
        std::vector<uint8_t> ppm = EncodePpm(frame.pixels.data(), frame.width, frame.height);
        if (frame.pixels.empty() || !platform::AtomicReplaceFile(options.shotPath, ppm.data(), ppm.size())) {
            if (error) *error = "cannot write " + options.shotPath;
            Close();
            return false;
        }
    } else {
        while (Step())
            platform::SleepMillis(15);
    }
    Close();
    return true;
}

} // namespace gumplab
