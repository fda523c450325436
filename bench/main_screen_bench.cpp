// The main screen: building it whole (pictures, outline, buttons, thirteen pages with their
// elements and settings) and switching pages, each against a plain BitBlt of the same area measured in the
// same run. Needs a display (an X server under Wine); without one it says so and measures nothing.
#include "BenchSupport.h"

#include "platform/Gdi.h"
#include "platform/Notifier.h"
#include "resource.h"
#include "pages/MainScreen.h"
#include "settings/SettingsStore.h"
#include "skin/SkinSource.h"

#include <cstdlib>

namespace {

class Silent : public tw::Notifier {
protected:
    void Show(const std::string&, tw::NoticeCaption) override {}
};

const CheckListMenu kMenu{IDR_LIST_MENU, ID_LIST_SELECT_ALL, ID_LIST_DESELECT_ALL};

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

// The screen image copied onto the window, as a paint of the whole area would at the least.
void Blit(HWND window, HBITMAP image) {
    RECT client{};
    GetClientRect(window, &client);
    tw::WindowDC dc(window);
    tw::UniqueHDC memory = tw::CreateMemoryDC(dc.get());
    tw::SelectScope keep(memory.get(), image);
    BitBlt(dc.get(), 0, 0, client.right, client.bottom, memory.get(), 0, 0, SRCCOPY);
    GdiFlush();
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = argc > 1 ? std::atoi(argv[1]) : 5;
    if (rounds < 1) rounds = 1;
    const int switches = 1000;
    Silent silent;

    SettingsStore settings;  // the bench prefix's own registry
    MainScreen screen(IDD_SKIN_DIALOG, kMenu, silent, settings);
    if (!screen.CreateModeless(nullptr)) {
        std::printf("main_screen_bench: no window could be made (is there a display?)\n");
        return 1;
    }
    Pump();
    HWND window = screen.Handle();
    HBITMAP image = screen.Screen(ScreenImage::Normal);
    std::size_t pages = screen.Pages().size();

    auto [build, buildBlit] = bench::Alternate(
        rounds,
        [&] {
            screen.LoadSkin();
            image = screen.Screen(ScreenImage::Normal);
            UpdateWindow(window);
            Pump();
        },
        [&] { Blit(window, image); });

    const char* names[] = {"SUBMAIN_MAIN", "SUBMAIN_SCANGIF"};
    int shown = 0;
    auto [flip, flipBlit] = bench::Alternate(
        rounds,
        [&] {
            for (int i = 0; i < switches; ++i) {
                screen.ShowPage(names[i % 2]);
                UpdateWindow(window);
                RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
            }
            shown = screen.PrimaryPage() ? 1 : 0;
        },
        [&] {
            for (int i = 0; i < switches; ++i) Blit(window, image);
        });
    RECT r{};
    GetWindowRect(window, &r);

    std::printf("%-44s %10s %12s %8s\n", "measure", "ms", "baseline ms", "ratio");
    std::printf("%-44s %10.2f %12.2f %8.1f   (%ld x %ld, %u pages; baseline: one BitBlt of the screen image)\n",
                "building the main screen (LoadSkin)", build * 1000, buildBlit * 1000, build / buildBlit,
                r.right - r.left, r.bottom - r.top, static_cast<unsigned>(pages));
    std::printf("%-44s %10.3f %12.3f %8.1f   (per switch, painted; baseline: per BitBlt of the same area)\n",
                "switching the primary page", flip * 1000 / switches, flipBlit * 1000 / switches, flip / flipBlit);
    return pages == 13 && shown ? 0 : 1;
}
