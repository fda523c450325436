#include "skin/MainSkinDialog.h"

#include "platform/Gdi.h"
#include "skin/IniFile.h"
#include "skin/PlainFile.h"
#include "skin/SkinImage.h"
#include "skin/SkinRegion.h"
#include "skin/SkinSource.h"

#include <windowsx.h>

#include <algorithm>

namespace {

struct ClosingNotice {
    static BOOL CALLBACK Send(HWND window, LPARAM) {
        if (tw::Window::FromHandle(window)) SendMessageA(window, kSkinClosingMessage, 0, 0);
        return TRUE;
    }
};

// A control that can take the focus now, with its place on the screen.
struct Stop {
    HWND window;
    RECT at;
};

void AddIfFocusable(std::vector<Stop>& stops, HWND window, const RECT* within = nullptr) {
    if (!window || !IsWindowVisible(window) || !IsWindowEnabled(window)) return;
    Stop stop{window, {}};
    GetWindowRect(window, &stop.at);
    RECT seen{};
    if (within && !IntersectRect(&seen, &stop.at, within)) return;  // placed outside its page
    stops.push_back(stop);
}

// Reading order: by rows, a control joining the row above when its top is above that row's
// first control's middle; left to right within a row.
std::vector<HWND> InReadingOrder(std::vector<Stop> stops) {
    std::stable_sort(stops.begin(), stops.end(), [](const Stop& a, const Stop& b) { return a.at.top < b.at.top; });
    std::vector<HWND> order;
    for (std::size_t first = 0; first < stops.size();) {
        const LONG middle = (stops[first].at.top + stops[first].at.bottom) / 2;
        std::size_t end = first + 1;
        while (end < stops.size() && stops[end].at.top < middle) ++end;
        std::stable_sort(stops.begin() + first, stops.begin() + end,
                         [](const Stop& a, const Stop& b) { return a.at.left < b.at.left; });
        for (std::size_t i = first; i < end; ++i) order.push_back(stops[i].window);
        first = end;
    }
    return order;
}

}  // namespace

MainSkinDialog::MainSkinDialog(UINT templateId, const CheckListMenu& listMenu, tw::Notifier& notifier)
    : SkinDialog(templateId), listMenu_(listMenu), notifier_(notifier) {}

const char kCustomSkinUnusable[] =
    "The skin file \"skin.ini\" beside the program could not be used; the built-in skin is shown.";

std::string MainSkinDialog::CustomSkinPath() const { return ProgramFolder() + "\\" + kCustomSkinName; }

void MainSkinDialog::PrepareSkin() {
    if (prepared_) return;
    prepared_ = std::make_unique<PreparedSkin>();
    skinFilePath_ = ResolveSkinFilePath(skinFilePath_);
    // Decided once, when the screen first builds: every screen built later follows the choice.
    prepared_->custom = UseCustomSkin(CustomSkinPath());
    prepared_->description = std::make_unique<SkinDescription>(skinFilePath_);
    if (!prepared_->description->Ready()) return;
    prepared_->ini = std::make_unique<IniFile>(skinFilePath_, prepared_->description->Text());
    prepared_->images = std::make_unique<SkinImageCache>();
    prepared_->images->DecodeAhead(FirstPictures(*prepared_->ini));
}

bool MainSkinDialog::OnInitDialog() {
    PrepareSkin();
    if (prepared_->custom == CustomSkin::Unusable) notifier_.Notify(kCustomSkinUnusable);
    if (!prepared_->description->Ready()) {
        prepared_.reset();
        notifier_.Notify("");
        End(2);
        return true;
    }
    LoadSkin();
    prepared_.reset();
    return true;
}

std::vector<std::string> MainSkinDialog::FirstPictures(const IniFile& ini) const {
    ImageKeys keys = ReadImageKeys(ini, "MAINSCREENINFO");
    std::vector<std::string> paths;
    // In the order they are needed: the window's face and outline, the faces buttons show when
    // the mouse is away or over them, then the pages built at once.
    for (const std::string* name : {&keys.main, &keys.mask, &keys.disabled, &keys.over})
        paths.push_back(SkinImagePath(skinFilePath_, *name));
    for (const std::string& line : ReadNumberedLines(ini, "SUBMAINSCREENINFO")) {
        ScreenLine page = ParseScreenLine(line);
        if (BuildsAtOnce(page.name))
            for (const std::string& name : page.images) paths.push_back(SkinImagePath(skinFilePath_, name));
    }
    return paths;
}

void MainSkinDialog::LoadSkin() {
    Reset();
    // Each picture is decoded once for the whole screen: the pages share their pictures. The ones
    // needed first are decoded on other threads while this one makes the windows: PrepareSkin has
    // read the file and started them before the window was made, unless nobody called it.
    std::unique_ptr<IniFile> ini;
    std::unique_ptr<SkinImageCache> cache;
    if (prepared_ && prepared_->ini) {
        ini = std::move(prepared_->ini);
        cache = std::move(prepared_->images);
    } else {
        ini = std::make_unique<IniFile>(skinFilePath_, SkinDescription(skinFilePath_).Text());
        cache = std::make_unique<SkinImageCache>();
        cache->DecodeAhead(FirstPictures(*ini));
    }
    SkinImageCache& images = *cache;
    ImageKeys keys = ReadImageKeys(*ini, "MAINSCREENINFO");
    auto path = [&](const std::string& name) { return SkinImagePath(skinFilePath_, name); };

    LoadScreen(ScreenImage::Normal, path(keys.main), nullptr, &images);
    SIZE size{};
    SharedBitmap mask = images.Load(path(keys.mask), &size);
    RECT window{};
    GetWindowRect(Handle(), &window);
    // One pixel narrower and two lower than the mask: the outline the screen has always had. Not
    // activated here: showing the window does that, and doing it twice costs start-up time.
    SetWindowPos(Handle(), HWND_TOP, window.left, window.top, size.cx - 1, size.cy - 2,
                 SWP_NOOWNERZORDER | SWP_NOACTIVATE);
    LoadScreen(ScreenImage::Disabled, path(keys.disabled), nullptr, &images);
    LoadScreen(ScreenImage::Over, path(keys.over), nullptr, &images);
    SetRegionFromMask(mask.get());

    std::vector<std::string> lines = ReadNumberedLines(*ini, "SUBMAINSCREENINFO");
    slots_.resize(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) slots_[i].line = ParseScreenLine(lines[i]);

    LoadButtons(Handle(), *ini, "MAINSCREENBUTTONINFO", ButtonText::Tooltip);
    LoadTexts(Handle(), *ini, "TEXTINFO");
    const SkinRect animation = ParseDimension(ini->GetString("MAINSCREENANIMATION", "DIMENSION", ""));
    pendingIni_ = std::move(ini);
    pendingImages_ = std::move(cache);
    for (std::size_t i = 0; i < slots_.size(); ++i)
        if (BuildsAtOnce(slots_[i].line.name)) BuildPage(i);
    // The faces of pressing and of stopping a scan come after the window shows: no button shows
    // them before the mouse comes or a scan starts, which builds every page first. Their pictures
    // are decoded on the page timer's first tick, on other threads, and taken once decoded.
    lateScreens_ = {{ScreenImage::Down, path(keys.down)}, {ScreenImage::StopScanOver, path(keys.stopScanOver)}};
    if (PagesToCome() == 0)
        EndPageBuilding();
    else
        SetTimer(Handle(), kPageBuildTimer, USER_TIMER_MINIMUM, nullptr);
    EnableButton("BUTTON_MAIN", false);  // the screen starts on the home page
    InvalidateRect(Handle(), nullptr, TRUE);

    CreateAnimationArea(animation);
    skinfile::DeletePlain("remove-top.swf");
    if (ShouldScanOnStart()) ButtonPressed("BUTTON_SCAN");
}

void MainSkinDialog::SetRegionFromMask(HBITMAP mask) { ::SetRegionFromMask(Handle(), mask, notifier_); }

void MainSkinDialog::BuildPage(std::size_t slot) {
    PageSlot& s = slots_[slot];
    if (s.tried || !pendingIni_) return;
    s.tried = true;
    std::unique_ptr<SkinPanel> page = MakePage();
    if (!page || !page->Create(Handle(), s.line, skinFilePath_, 0, pendingImages_.get())) return;
    PlaceAmongPages(slot, page->Handle());
    page->LoadElements(*pendingIni_, listMenu_);
    PageBuilt(*page);
    std::lock_guard<std::recursive_mutex> guard(pageLock_);
    s.page = std::move(page);
}

void MainSkinDialog::PlaceAmongPages(std::size_t slot, HWND page) {
    // Where it would be had the pages been built in order: behind the built page before it, or
    // else in front of the built page after it.
    HWND after = nullptr;
    for (std::size_t i = slot; i-- > 0 && !after;)
        if (slots_[i].page) after = slots_[i].page->Handle();
    for (std::size_t i = slot + 1; i < slots_.size() && !after; ++i)
        if (slots_[i].page) {
            after = GetWindow(slots_[i].page->Handle(), GW_HWNDPREV);
            if (!after) after = HWND_TOP;
        }
    if (after) SetWindowPos(page, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);
}

void MainSkinDialog::BuildAllPages() {
    for (std::size_t i = 0; i < slots_.size(); ++i) BuildPage(i);
    EndPageBuilding();
}

std::size_t MainSkinDialog::PagesToCome() const {
    std::size_t count = 0;
    for (const PageSlot& s : slots_)
        if (!s.tried) ++count;
    return count;
}

void MainSkinDialog::LoadLateScreens() {
    for (const auto& late : lateScreens_) {
        LoadScreen(late.first, late.second, nullptr, pendingImages_.get());
        GiveFaces(late.first);
    }
    lateScreens_.clear();
}

void MainSkinDialog::EndPageBuilding() {
    LoadLateScreens();
    if (Handle()) KillTimer(Handle(), kPageBuildTimer);
    pendingIni_.reset();
    pendingImages_.reset();  // the pages hold the pictures they show
}

bool MainSkinDialog::OnTimer(UINT_PTR id) {
    if (id != kPageBuildTimer) return SkinDialog::OnTimer(id);
    if (!lateScreens_.empty() && pendingImages_) {
        std::vector<std::string> paths;
        for (const auto& late : lateScreens_) paths.push_back(late.second);
        if (pendingImages_->AllDecoded(paths)) {
            LoadLateScreens();
            return true;
        }
        pendingImages_->DecodeAhead(paths);  // asked for once: the pictures on the way are not asked for again
    }
    for (std::size_t i = 0; i < slots_.size(); ++i)
        if (!slots_[i].tried) {
            BuildPage(i);
            break;
        }
    if (PagesToCome() == 0) EndPageBuilding();
    return true;
}

bool MainSkinDialog::OnWindowThread() const {
    return Handle() && GetWindowThreadProcessId(Handle(), nullptr) == GetCurrentThreadId();
}

bool MainSkinDialog::CreateAnimationArea(const SkinRect& area) {
    RECT r{area.left, area.top, area.right, area.bottom};
    return animation_.CreateOwn("SHOCKWAVE", WS_CHILD, 0, r, Handle(), kAnimationId);
}

void MainSkinDialog::Reset() {
    std::vector<PageSlot> slots;
    {
        std::lock_guard<std::recursive_mutex> guard(pageLock_);
        primary_ = side_ = nullptr;
        slots.swap(slots_);
    }
    lateScreens_.clear();
    EndPageBuilding();
    SkinDialog::Reset();
    slots.clear();
    animation_.Destroy();
}

SkinPanel* MainSkinDialog::Page(const std::string& name) const {
    const bool build = OnWindowThread();
    std::lock_guard<std::recursive_mutex> guard(pageLock_);
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        if (slots_[i].line.name != name) continue;
        // Built on demand, as a cache is filled: the screen looks the same either way.
        if (build) const_cast<MainSkinDialog*>(this)->BuildPage(i);
        if (slots_[i].page) return slots_[i].page.get();
    }
    return nullptr;
}

std::vector<SkinPanel*> MainSkinDialog::Pages() const {
    if (OnWindowThread()) const_cast<MainSkinDialog*>(this)->BuildAllPages();
    std::lock_guard<std::recursive_mutex> guard(pageLock_);
    std::vector<SkinPanel*> pages;
    for (const PageSlot& s : slots_)
        if (s.page) pages.push_back(s.page.get());
    return pages;
}

SkinPanel* MainSkinDialog::PrimaryPage() const {
    std::lock_guard<std::recursive_mutex> guard(pageLock_);
    return primary_;
}

SkinPanel* MainSkinDialog::SidePage() const {
    std::lock_guard<std::recursive_mutex> guard(pageLock_);
    return side_;
}

void MainSkinDialog::SwitchPage(SkinPanel*& slot, const std::string& name, bool above) {
    if (slot) slot->Show(false);
    slot = Page(name);
    if (!slot) return;
    slot->Show(true, above);
    InvalidateRect(slot->Handle(), nullptr, FALSE);
}

void MainSkinDialog::ShowPage(const std::string& name) {
    {
        std::lock_guard<std::recursive_mutex> guard(pageLock_);
        if (primary_ && primary_->SkinName() == name) return;
        if (side_) side_->Show(false);
        side_ = nullptr;
        SwitchPage(primary_, name, false);
    }
    InvalidateRect(Handle(), nullptr, FALSE);
}

void MainSkinDialog::ShowSidePage(const std::string& name) {
    std::lock_guard<std::recursive_mutex> guard(pageLock_);
    if (side_ && side_->SkinName() == name) return;
    SwitchPage(side_, name, true);
}

std::vector<HWND> MainSkinDialog::TabOrder() const {
    std::vector<Stop> stops;
    for (const auto& b : Buttons()) AddIfFocusable(stops, b->Handle());
    for (SkinPanel* page : {PrimaryPage(), SidePage()}) {
        if (!page || !TakesFocus(*page) || !IsWindowVisible(page->Handle()) || !IsWindowEnabled(page->Handle()))
            continue;
        RECT area{};
        GetWindowRect(page->Handle(), &area);
        for (const auto& b : page->Buttons()) AddIfFocusable(stops, b->Handle(), &area);
        for (const auto& e : page->Edits()) AddIfFocusable(stops, e->Handle(), &area);
        if (SkinCheckList* list = page->List()) AddIfFocusable(stops, list->Handle(), &area);
    }
    return InReadingOrder(std::move(stops));
}

void MainSkinDialog::MoveFocus(bool backwards) {
    const std::vector<HWND> order = TabOrder();
    if (order.empty()) return;
    const HWND focus = GetFocus();
    std::size_t at = order.size();
    for (std::size_t i = 0; i < order.size(); ++i)
        if (order[i] == focus || IsChild(order[i], focus)) at = i;
    std::size_t next = 0;
    if (at == order.size())
        next = backwards ? order.size() - 1 : 0;
    else
        next = backwards ? (at + order.size() - 1) % order.size() : (at + 1) % order.size();
    // The keyboard is in use: controls show where the focus is.
    SendMessageA(Handle(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    SetFocus(order[next]);
}

void MainSkinDialog::Paint() {
    if (SkinPanel* side = SidePage()) InvalidateRect(side->Handle(), nullptr, FALSE);
    tw::PaintDC paint(Handle());
    PaintBackground(paint.get());
    // The elements paint over the new background.
    for (const auto& b : Buttons()) InvalidateRect(b->Handle(), nullptr, TRUE);
    for (const auto& t : Texts()) InvalidateRect(t->Handle(), nullptr, TRUE);
    for (const auto& e : Edits()) InvalidateRect(e->Handle(), nullptr, TRUE);
}

bool MainSkinDialog::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_PAINT:
        if (!Screen(ScreenImage::Normal)) break;
        Paint();
        result = 0;
        return true;
    case WM_LBUTTONDOWN: {
        // Dragged by its background as by a caption. The system's move loop wants the point on
        // the screen: a client point would make the window jump by its own position.
        POINT at{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        ClientToScreen(Handle(), &at);
        PostMessageA(Handle(), WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(at.x, at.y));
        return false;
    }
    case WM_USER + 10:
    case WM_USER + 11:
        result = 0;
        return true;
    case WM_NEXTDLGCTL:
        // Tab and Shift+Tab (the dialog manager asks for the next control): in reading order.
        if (LOWORD(lp))
            SetFocus(reinterpret_cast<HWND>(wp));
        else
            MoveFocus(wp != 0);
        result = 0;
        return true;
    case WM_DESTROY:
        // Children still exist here; they are destroyed after their parent hears of it.
        EnumChildWindows(Handle(), &ClosingNotice::Send, 0);
        return false;
    default:
        break;
    }
    return SkinDialog::OnMessage(msg, wp, lp, result);
}
