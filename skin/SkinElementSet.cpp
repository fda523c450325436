#include "skin/SkinElementSet.h"

#include "platform/Gdi.h"
#include "skin/IniFile.h"
#include "skin/SkinFont.h"
#include "skin/SkinImage.h"

namespace {

template <typename T>
T* FindByName(const std::vector<std::unique_ptr<T>>& list, const std::string& name) {
    for (const auto& e : list)
        if (e->Name() == name) return e.get();
    return nullptr;
}

// An element of every line; the number made.
template <typename Add>
int AddEach(const std::vector<std::string>& lines, Add add) {
    int made = 0;
    for (const std::string& line : lines)
        if (add(line)) ++made;
    return made;
}

}  // namespace

void SkinElementSet::Reset() {
    for (auto& s : screens_) s.reset();
    buttons_.clear();
    texts_.clear();
    edits_.clear();
}

SkinButton* SkinElementSet::FindButton(const std::string& name) const { return FindByName(buttons_, name); }
SkinText* SkinElementSet::FindText(const std::string& name) const { return FindByName(texts_, name); }
SkinEdit* SkinElementSet::FindEdit(const std::string& name) const { return FindByName(edits_, name); }

SkinButton* SkinElementSet::ButtonAt(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= buttons_.size()) return nullptr;
    return buttons_[static_cast<std::size_t>(index)].get();
}

void SkinElementSet::EnableButton(const std::string& name, bool enable) {
    if (SkinButton* b = FindButton(name)) b->SetEnabled(enable);
}

void SkinElementSet::SetButtonChecked(const std::string& name, bool checked) {
    if (SkinButton* b = FindButton(name)) b->SetChecked(checked);
}

int SkinElementSet::GetButtonChecked(const std::string& name) const {
    SkinButton* b = FindButton(name);
    return b && b->Checked() ? 1 : 0;
}

void SkinElementSet::EnableAllButtons(bool enable) {
    for (auto& b : buttons_) b->SetEnabled(enable);
}

void SkinElementSet::SetAllButtonsChecked(bool checked) {
    for (auto& b : buttons_) b->SetChecked(checked);
}

void SkinElementSet::SetButtonHover(const std::string& name, bool hover) {
    if (SkinButton* b = FindButton(name)) b->SetHover(hover);
}

bool SkinElementSet::GetButtonHover(const std::string& name) const {
    SkinButton* b = FindButton(name);
    return b && b->Hover();
}

void SkinElementSet::SetTextByName(const std::string& name, const std::string& text) {
    SkinText* t = FindText(name);
    if (!t) return;
    t->SetText(text);
    InvalidateRect(t->Handle(), nullptr, TRUE);
}

void SkinElementSet::SetEditByName(const std::string& name, const std::string& text) {
    if (SkinEdit* e = FindEdit(name)) e->SetText(text);  // the edit control redraws when it takes the text
}

std::string SkinElementSet::GetEditByName(const std::string& name) const {
    SkinEdit* e = FindEdit(name);
    return e ? e->Text() : std::string();
}

SIZE SkinElementSet::LoadScreen(ScreenImage which, const std::string& path, bool* found, SkinImageCache* images) {
    SIZE size{};
    if (images) {
        SetScreen(which, images->Load(path, &size, found));
    } else {
        tw::UniqueHBitmap bitmap;
        size = LoadSkinImage(path, bitmap, found);
        SetScreen(which, std::move(bitmap));
    }
    return size;
}

SkinButton* SkinElementSet::AddButton(HWND owner, const ButtonLine& line, ButtonText text) {
    auto button = std::make_unique<SkinButton>();
    int index = static_cast<int>(buttons_.size());
    if (!button->Create(owner, line, text == ButtonText::Tooltip ? line.tooltip : std::string(), index))
        return nullptr;
    for (ScreenImage screen : {ScreenImage::Normal, ScreenImage::Over, ScreenImage::Down, ScreenImage::Disabled,
                               ScreenImage::StopScanOver})
        GiveFace(*button, screen);
    buttons_.push_back(std::move(button));
    return buttons_.back().get();
}

void SkinElementSet::GiveFace(SkinButton& button, ScreenImage screen) const {
    SkinButton::Image face = SkinButton::Normal;
    switch (screen) {
    case ScreenImage::Normal: face = SkinButton::Normal; break;
    case ScreenImage::Over: face = SkinButton::Over; break;
    case ScreenImage::Down: face = SkinButton::Down; break;
    case ScreenImage::Disabled: face = SkinButton::Disabled; break;
    case ScreenImage::StopScanOver:
        if (button.Name() != "BUTTON_SCAN") return;  // the scan button alone has a stop look
        face = SkinButton::CheckedOver;
        break;
    }
    button.SetImage(face, PartOf(screen, button.Rect()));
}

void SkinElementSet::GiveFaces(ScreenImage screen) {
    for (auto& b : buttons_) {
        GiveFace(*b, screen);
        InvalidateRect(b->Handle(), nullptr, FALSE);
    }
}

SkinText* SkinElementSet::AddText(HWND owner, const TextLine& line) {
    auto text = std::make_unique<SkinText>();
    if (!text->Create(owner, line.rect, line.text)) return nullptr;
    text->SetBackground(PartOf(ScreenImage::Normal, line.rect));
    text->SetName(line.name);
    text->SetText(line.text);
    text->SetColour(line.colour);
    tw::UniqueHFont font = MakeSkinFont(line);
    text->SetFont(font.get());
    texts_.push_back(std::move(text));
    return texts_.back().get();
}

SkinEdit* SkinElementSet::AddEdit(HWND owner, const TextLine& line, DWORD style) {
    auto edit = std::make_unique<SkinEdit>();
    if (!edit->Create(owner, line.rect, style)) return nullptr;
    {
        // Its background becomes a pattern brush, which needs a picture of its own: a cut.
        tw::WindowDC dc(owner);
        tw::UniqueHBitmap background;
        const SkinRect& r = line.rect;
        CropBitmap(dc.get(), background, Screen(ScreenImage::Normal), r.left, r.top, r.right, r.bottom);
        edit->SetBackground(std::move(background));
    }
    edit->SetName(line.name);
    edit->SetColour(line.colour);
    tw::UniqueHFont font = MakeSkinFont(line);
    edit->SetFont(font.get());
    edit->SetText(line.text);
    edits_.push_back(std::move(edit));
    return edits_.back().get();
}

int SkinElementSet::LoadButtons(HWND owner, const IniFile& ini, const std::string& section, ButtonText text) {
    return AddEach(ReadNumberedLines(ini, section), [&](const std::string& line) {
        return AddButton(owner, ParseButtonLine(line), text) != nullptr;
    });
}

int SkinElementSet::LoadTexts(HWND owner, const IniFile& ini, const std::string& section) {
    return AddEach(ReadNumberedLines(ini, section), [&](const std::string& line) {
        return AddText(owner, ParseTextLine(line)) != nullptr;
    });
}

int SkinElementSet::LoadEdits(HWND owner, const IniFile& ini, const std::string& section, DWORD style) {
    return AddEach(ReadNumberedLines(ini, section), [&](const std::string& line) {
        return AddEdit(owner, ParseTextLine(line), style) != nullptr;
    });
}
