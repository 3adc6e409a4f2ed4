#include "hexedit/search/FindWindow.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "common/codepage.h"
#include "common/hexdigits.h"
#include "hexedit/search/Scanner.h"
#include "hexedit/search/ShownSearch.h"

namespace hexedit::search {

namespace {

constexpr size_t kChunk = size_t{1} << 20;  // bytes scanned between progress reports
constexpr size_t kGridInputLimit = 30;      // grid clicks need fewer characters

const char* const kNoText = "Error: No text entered to search for...";

bool isHexDigit(uint8_t c) { return common::isHexDigit(static_cast<char>(c)); }

std::string offsetLine(uint32_t offset) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "[$%08X]", offset);
    return buf;
}

}  // namespace

bool& FindOptions::operator[](Option o) {
    switch (o) {
        case Option::IgCase: return IgCase;
        case Option::SaveFnd: return SaveFnd;
        case Option::WildCrd: return WildCrd;
        case Option::FindFromStart: return FindFromStart;
        case Option::IncFind: return IncFind;
        case Option::AsShown: return AsShown;
        case Option::FindLimit: break;
    }
    return FindLimit;
}

const std::array<Option, 7>& allOptions() {
    static const std::array<Option, 7> all = {Option::IgCase,        Option::SaveFnd, Option::WildCrd,
                                              Option::FindFromStart, Option::IncFind, Option::FindLimit,
                                              Option::AsShown};
    return all;
}

const char* optionCaption(Option o) {
    switch (o) {
        case Option::IgCase: return "Ignore &Case";
        case Option::SaveFnd: return "&Save Finds in a Search List.";
        case Option::WildCrd: return "Use \" * \" for &Wildcards.";
        case Option::FindFromStart: return "Start Search From the &Begining";
        case Option::IncFind: return "Enable &Incremental Search";
        case Option::AsShown: return "Text as Shown by the &Table";
        case Option::FindLimit: break;
    }
    return "Limit Search Results to 128 Finds";
}

FindWindow::FindWindow(EditSession& session, DataList& list)
    : session_(session),
      editor_(session.editor()),
      table_(session.table()),
      view_state_(session.view()),
      port_(session.port()),
      list_(list) {}

bool FindWindow::optionEnabled(Option o) const {
    if (o == Option::SaveFnd) return saveFndEnabled_;
    if (o == Option::IncFind) return incFindEnabled_;
    if (o == Option::AsShown) return state.SearchMode == TextMode;
    return true;
}

bool FindWindow::utf8Box() const { return state.SearchMode == TextMode && table_.Encoding == TableEncoding::Utf8; }

std::u16string FindWindow::boxToUtf16(std::string_view bytes) const {
    if (utf8Box()) return common::utf8ToUtf16(bytes);
    return japaneseBox() ? common::cp932ToUtf16(bytes) : common::cp1252ToUtf16(bytes);
}

std::optional<std::string> FindWindow::utf16ToBox(std::u16string_view text) const {
    if (utf8Box()) return utf16ToUtf8Whole(text);
    return japaneseBox() ? common::utf16ToCp932(text) : common::utf16ToCp1252(text);
}

void FindWindow::refresh() {
    if (view_) view_->refresh();
}

// --- main-window commands --------------------------------------------------

void FindWindow::openWindow(int mode, const char* caption, bool grid) {
    caption_ = caption;
    gridShown_ = grid;
    state.MatchCount = 0;
    state.SearchMode = mode;
    runModal();
}

void FindWindow::runModal() {
    // Showing: an empty box and a cleared pattern.
    input_.clear();
    caret_ = 0;
    state.SearchPattern.fill(0);
    collectFirstBytes();
    open_ = true;
    refresh();
    if (view_) view_->execModal();
    // Closing.
    open_ = false;
    input_.clear();
    caret_ = 0;
    state.ContinueFlag = 0;
    refresh();
}

void FindWindow::showResults() {
    list_.setCaption(matchCaption(state.MatchCount));
    list_.show();
}

void FindWindow::TextSearch1Click() {
    openWindow(TextMode, "Find: ASCII Text...", false);
    if (state.MatchCount != 0) showResults();
    session_.repaint();
}

void FindWindow::HexSearch1Click() {
    openWindow(HexMode, "Find: HEX Search...", false);
    if (state.MatchCount != 0) showResults();
    session_.repaint();
}

void FindWindow::KanaSearch1Click() {
    openWindow(KanaMode, "Find: KANA Search...", true);
    if (state.MatchCount != 0) showResults();
    session_.repaint();
}

void FindWindow::RelativeSearch1Click() {
    const bool savedSaveFnd = options.SaveFnd;
    options.SaveFnd = false;
    options.IncFind = false;
    saveFndEnabled_ = incFindEnabled_ = false;
    maxLength_ = 15;
    openWindow(RelativeMode, "Find: Relative Search...", false);
    maxLength_ = 32;
    options.SaveFnd = savedSaveFnd;
    saveFndEnabled_ = incFindEnabled_ = true;
    refresh();
    if (state.MatchCount != 0) showResults();
    else if (state.SearchPattern[0] != 0) notFound();
    session_.repaint();
}

void FindWindow::SearchAgain1Click() {
    if (state.MatchCount != 0) {
        list_.setCaption(matchCaption(state.MatchCount));
        if (!list_.visible()) list_.show();
        return;
    }
    if (state.PatternLength == 0) {
        port_.inform(kNoText);
        return;
    }
    state.SearchMode = RepeatMode;
    findAction();
    if (state.FoundFlag) session_.repaint();
}

// --- the Find action and the scan --------------------------------------------

void FindWindow::close() {
    if (!open_) return;
    open_ = false;
    if (view_) view_->closeWindow();
}

bool FindWindow::closeRequested() {
    if (busy()) {
        session_.cancelBusy();
        return false;
    }
    open_ = false;
    return true;
}

void FindWindow::FindClick() { findAction(); }

void FindWindow::findAction() {
    if (busy()) return;
    const int mode = state.SearchMode;
    if (input_.empty() && mode != RepeatMode) {
        if (options.IncFind) return;
        port_.inform(kNoText);
        close();
        return;
    }
    if (options.SaveFnd) list_.clear();
    if (mode == RelativeMode) {
        relativeSearch();
    } else {
        if (mode == KanaMode) storePattern(kanaToPattern(table_, input_));
        scan();
    }
    if (options.IncFind) {
        if (state.MatchCount != 0) showResults();
        session_.repaint();
    } else {
        close();
    }
}

void FindWindow::storePattern(std::span<const uint8_t> bytes) {
    const size_t n = std::min(bytes.size(), state.SearchPattern.size());
    state.SearchPattern.fill(0);
    std::copy_n(bytes.begin(), n, state.SearchPattern.begin());
    state.PatternLength = static_cast<int>(n);
    state.ShownSearch = false;
}

bool FindWindow::convertPattern() {
    if (state.SearchMode == TextMode && options.AsShown) {
        // The typed text itself: the scan decodes the file as the view does.
        storePattern(std::span(reinterpret_cast<const uint8_t*>(input_.data()), input_.size()));
        state.ShownSearch = true;
        return true;
    }
    std::vector<uint8_t> bytes = textToPattern(table_, input_, options.IgCase, options.WildCrd);
    if (state.SearchMode == HexMode) {
        HexResult r = hexToPattern(input_, options.WildCrd);
        const char* error = nullptr;
        switch (r.error) {
            case HexError::None: break;
            case HexError::MissingDigit: error = "Hex string is missing one digit."; break;
            case HexError::WildcardNotEnabled: error = "Wild Card not enabled..."; break;
            case HexError::NotHex: error = "Hex string holds a character that is not a hex digit."; break;
        }
        if (error) {
            // Nothing valid is left to repeat with "Search Again".
            state.PatternLength = 0;
            port_.inform(error, "Error in String.");
            return false;
        }
        bytes = std::move(r.bytes);
    }
    storePattern(bytes);
    return true;
}

void FindWindow::notFound() {
    port_.inform("Sorry... The string was not found.", "No string found...", common::MsgIcon::Exclamation);
}

void FindWindow::scan() {
    state.FoundFlag = 0;
    const int mode = state.SearchMode;
    if ((mode == TextMode || mode == HexMode) && !convertPattern()) return;

    int64_t start = 0;
    if (!(options.FindFromStart && state.ContinueFlag == 0))
        start = int64_t{view_state_.CursorOffset} + (options.IncFind ? 0 : 1);
    if (start < 0) start = 0;

    const auto data = editor_.buffer();
    const std::span<const uint8_t> pattern(state.SearchPattern.data(), state.PatternLength);
    const MatchRules rules{options.IgCase, options.WildCrd};
    const Matcher matcher(state.ShownSearch ? std::span<const uint8_t>() : pattern, rules);
    std::optional<ShownMatcher> shown;
    if (state.ShownSearch) shown.emplace(table_, state.pattern(), rules);
    size_t hitLength = static_cast<size_t>(state.PatternLength);  // of the last match found
    auto findIn = [&](size_t from, size_t limit) {
        if (!shown) return matcher.find(data, from, limit);
        return shown->find(data, from, limit, hitLength);
    };
    // The scan reports its progress between chunks; a cancelled scan finds
    // nothing more.
    bool cancelled = false;
    // What the scan has passed is given back a chunk at a time (a mapped
    // file is then never held whole).
    size_t released = static_cast<size_t>(start);
    auto passed = [&](size_t upTo) {
        if (upTo < released + kChunk) return;
        editor_.releaseScanned(released, upTo);
        released = upTo;
    };
    auto scanAll = [&](const common::Progress& progress) {
        auto next = [&](size_t from) {
            passed(from);
            while (!cancelled) {
                const size_t limit = from + kChunk - 1;
                const size_t p = findIn(from, limit);
                if (p != kNoMatch || limit >= data.size()) return p;
                from = limit + 1;
                passed(from);
                cancelled = !progress(from, data.size());
            }
            return kNoMatch;
        };
        if (mode != RelativeMode && options.SaveFnd) {
            list_.MatchLength = state.PatternLength;
            for (size_t from = static_cast<size_t>(start);;) {
                const size_t p = next(from);
                if (p == kNoMatch) break;
                list_.append(offsetLine(static_cast<uint32_t>(p)));
                if (shown) {
                    // Lines before this search's keep the common length.
                    list_.MatchLengths.resize(list_.lines().size() - 1, list_.MatchLength);
                    list_.MatchLengths.push_back(static_cast<int>(hitLength));
                }
                ++state.MatchCount;
                if (options.FindLimit && state.MatchCount >= kResultLimit) break;
                from = p + 1;
            }
            list_.notifyChanged();
        } else {
            const size_t p = next(static_cast<size_t>(start));
            if (p != kNoMatch) {
                session_.moveCursorTo(static_cast<int32_t>(p));
                selectMatch(session_, static_cast<uint32_t>(p), static_cast<int>(hitLength));
                state.FoundFlag = 1;
            }
        }
        return !cancelled;
    };
    session_.runBusy("Searching...", scanAll);
    if (!cancelled && !state.FoundFlag && mode != RelativeMode && state.MatchCount == 0 && !options.IncFind) notFound();
}

// --- the relative search -------------------------------------------------------

void FindWindow::relativeSearch() {
    state.MatchCount = 0;
    list_.clear();
    const ViewState saved = view_state_;

    const std::string word = input_;
    const size_t len = word.size();
    state.PatternLength = static_cast<int>(len);
    list_.MatchLength = state.PatternLength;
    if (len == 0) return;
    const bool allSame = std::all_of(word.begin(), word.end(), [&](char c) { return c == word[0]; });
    if (allSame &&
        !port_.ask("Warning: Finding this pattern may take a while.\nDo you still wish to continue?",
                   "Relative Search Warning...", common::MsgIcon::Exclamation))
        return;

    std::vector<uint8_t> dist(len);
    for (size_t k = 0; k < len; ++k) dist[k] = static_cast<uint8_t>(word[k] - word[0]);
    const RelativeScanner scanner(dist, MatchRules{options.IgCase, options.WildCrd});

    // Every candidate first byte starts from the same offset: its first scan
    // runs with the continuation flag clear.
    int64_t start = 0;
    if (!options.FindFromStart) start = int64_t{view_state_.CursorOffset} + (options.IncFind ? 0 : 1);
    if (start < 0) start = 0;

    // Hits by first byte: the list takes them candidate by candidate, each in
    // offset order. With the limit no candidate can contribute more than 128.
    const size_t perValueCap = options.FindLimit ? kResultLimit : SIZE_MAX;
    std::array<std::vector<uint32_t>, 256> hits;
    std::array<uint64_t, 256> total{};

    const auto data = editor_.buffer();
    const size_t first = static_cast<size_t>(start);
    const size_t last = data.size() >= len ? data.size() - len : 0;
    const bool any = len > 0 && data.size() >= len && first <= last;
    const size_t count = any ? last - first + 1 : 0;

    // Progress counts the start offsets scanned: reported at every step and
    // at least once per chunk, so events run and the search can be cancelled.
    // The input box shows "Searching %NNN" at every step; the text is put
    // together by hand and set only when the percentage changes, as a step
    // scans only 1/256 of the file and formatting would cost a visible share.
    session_.runBusy("Relative search", [&](const common::Progress& progress) {
        char text[] = "Searching %000";
        constexpr size_t kDigits = sizeof text - 4;
        int shown = -1;
        for (int step = 0; step < 256; ++step) {
            size_t from = first + count / 256 * step + std::min<size_t>(step, count % 256);
            const size_t to = first + count / 256 * (step + 1) + std::min<size_t>(step + 1, count % 256);  // exclusive
            if (!progress(from - first, count)) return false;
            const int percent = (step + 1) * 100 / 256;
            progress_ = percent;
            if (percent != shown) {
                shown = percent;
                text[kDigits] = static_cast<char>('0' + percent / 100);
                text[kDigits + 1] = static_cast<char>('0' + percent / 10 % 10);
                text[kDigits + 2] = static_cast<char>('0' + percent % 10);
                setInput(std::string(text, sizeof text - 1), sizeof text - 1);
            }
            if (view_) view_->progressChanged();
            if (!any) continue;
            while (from < to) {
                const size_t end = std::min(to, from + kChunk);
                scanner.scan(data, from, end - 1, [&](uint32_t offset, uint8_t v) {
                    if (total[v]++ < perValueCap) hits[v].push_back(offset);
                });
                from = end;
                if (from < to && !progress(from - first, count)) return false;
            }
        }
        return true;
    });
    progress_.reset();

    // Each candidate's hits arrive in offset order already; sorting keeps
    // the list independent of the scanner's visiting order.
    for (auto& h : hits) std::sort(h.begin(), h.end());

    const uint8_t t0 = static_cast<uint8_t>(word[0]);
    std::string padded = word;
    if (padded.size() < 15) padded.resize(15, ' ');
    uint64_t listedLast = 0;
    for (int v = 0; v < 256; ++v) {
        for (uint32_t offset : hits[v]) {
            if (options.FindLimit && state.MatchCount >= kResultLimit) break;
            if (v == 255) ++listedLast;
            char tail[40];
            std::snprintf(tail, sizeof tail, " | A=%02X a=%02X 0=%02X", (0x41 - t0 + v) & 0xFF, (0x61 - t0 + v) & 0xFF,
                          (0x30 - t0 + v) & 0xFF);
            list_.append(offsetLine(offset) + " " + padded + tail);
            ++state.MatchCount;
        }
    }
    list_.notifyChanged();

    // Leave the state the candidate-by-candidate search leaves: the last
    // candidate's pattern, and whether its last scan found something.
    std::vector<uint8_t> lastPattern(len);
    for (size_t k = 0; k < len; ++k) lastPattern[k] = static_cast<uint8_t>(255 + dist[k]);
    storePattern(lastPattern);
    state.FoundFlag = listedLast < total[255] ? 1 : 0;
    state.ContinueFlag = 0;

    view_state_.TopOffset = saved.TopOffset;
    view_state_.CursorRow = saved.CursorRow;
    view_state_.CursorColumn = saved.CursorColumn;
    view_state_.CursorOffset = saved.CursorOffset;
}

// --- the input box -------------------------------------------------------------

void FindWindow::collectFirstBytes() {
    firstBytes_.fill(false);
    for (const auto& t : table_.ByteTable)
        if (t && !t->empty()) firstBytes_[static_cast<uint8_t>((*t)[0])] = true;
    // Only the written codes: a look at all 65,536 pairs costs as much as
    // scanning megabytes.
    for (const uint16_t code : table_.PairTable.writtenCodes())
        if (const auto& t = table_.PairTable[code]; t && !t->empty()) firstBytes_[static_cast<uint8_t>((*t)[0])] = true;
    table_.LongTable.forEach([&](uint32_t, int, const std::string& t) {
        if (!t.empty()) firstBytes_[static_cast<uint8_t>(t[0])] = true;
    });
}

bool FindWindow::startsSomeText(uint8_t c) const { return firstBytes_[c]; }

void FindWindow::setInput(std::string text, size_t caret) {
    const bool changed = text != input_;
    input_ = std::move(text);
    caret_ = std::min(caret, input_.size());
    refresh();
    if (changed && open_ && options.IncFind && !(state.SearchMode == HexMode && input_.size() % 2 != 0))
        findAction();
}

void FindWindow::inputEdited(std::string text, size_t caret) {
    if (busy()) return;
    if (text.size() > maxLength_) {
        size_t keep = maxLength_;
        // A UTF-8 box keeps whole characters.
        while (utf8Box() && keep > 0 && (static_cast<uint8_t>(text[keep]) & 0xC0) == 0x80) --keep;
        text.resize(keep);
    }
    setInput(std::move(text), caret);
}

KeyResult FindWindow::keyPress(Key key) {
    if (busy()) {
        // Escape stops the running search; other keys wait for it.
        if (key.kind != Key::Escape) return {KeyResult::Swallow, 0};
        session_.cancelBusy();
        return {KeyResult::Handled, 0};
    }
    const int mode = state.SearchMode;
    if (key.kind == Key::Escape) {
        state.PatternLength = 0;
        close();
        return {KeyResult::Handled, 0};
    }
    if (key.kind == Key::Enter) {
        if (mode == KanaMode) return {KeyResult::Swallow, 0};
        findAction();
        return {KeyResult::Handled, 0};
    }
    const bool backspace = key.kind == Key::Backspace;
    const uint8_t c = key.ch;
    if (mode == KanaMode && !backspace && c != '*') return {KeyResult::Swallow, 0};

    if (!backspace && c == '*') {
        if (options.WildCrd && input_.empty()) {
            port_.inform("Wild Card Character can't be used first!");
            return {KeyResult::Swallow, 0};
        }
        if (options.WildCrd && (mode == HexMode || mode == KanaMode)) {
            if (input_.size() + 2 <= maxLength_) {
                std::string text = input_;
                const size_t at = std::min(caret_, text.size());
                text.insert(at, "**");
                setInput(std::move(text), at + 2);
            }
            return {KeyResult::Handled, 0};
        }
        if (mode == KanaMode) return {KeyResult::Swallow, 0};
    }
    if (!backspace && c == '.') return {KeyResult::Pass, c};

    if (backspace && (mode == HexMode || mode == KanaMode) && input_.size() >= 2) {
        const size_t n = input_.size();
        // A "**" pair or a two-byte character goes as one.
        if (input_[n - 1] == '*' || static_cast<uint8_t>(input_[n - 2]) >= 0x80) {
            std::string text = input_.substr(0, n - 2);
            const size_t end = text.size();
            setInput(std::move(text), end);
            return {KeyResult::Handled, 0};
        }
    }

    switch (mode) {
        case TextMode:
            if (options.WildCrd || backspace || c == ' ' || startsSomeText(c)) return {KeyResult::Pass, c};
            return {KeyResult::Swallow, 0};
        case HexMode:
            if (backspace || c == '*') return {KeyResult::Pass, c};
            if (isHexDigit(c) || options.WildCrd) return {KeyResult::Pass, foldUpper(c)};
            return {KeyResult::Swallow, 0};
        default:
            return {KeyResult::Pass, c};
    }
}

void FindWindow::paste() {
    if (busy() || !open_) return;
    const std::u16string clip = common::utf8ToUtf16(port_.clipboardText());
    std::string add;
    for (size_t i = 0; i < clip.size(); ++i) {
        // A surrogate pair is one character.
        const size_t n = clip[i] >= 0xD800 && clip[i] <= 0xDBFF && i + 1 < clip.size() ? 2 : 1;
        auto bytes = utf16ToBox(std::u16string_view(clip).substr(i, n));
        i += n - 1;
        if (!bytes) continue;
        if (input_.size() + add.size() + bytes->size() > maxLength_) break;
        add += *bytes;
    }
    if (upperCase())
        for (char& ch : add) ch = static_cast<char>(foldUpper(static_cast<uint8_t>(ch)));
    if (add.empty()) return;
    std::string text = input_;
    const size_t at = std::min(caret_, text.size());
    text.insert(at, add);
    setInput(std::move(text), at + add.size());
}

void FindWindow::optionClicked(Option o, bool checked) {
    if (busy()) return;
    if (!optionEnabled(o)) return;
    options[o] = checked;
    if (o != Option::FindLimit) {
        if (options.IncFind) options.SaveFnd = false;
        refresh();
        if (view_) view_->focusInput();
        caret_ = input_.size();
    } else {
        refresh();
    }
}

void FindWindow::selectAllOptions() {
    if (busy()) return;
    for (Option o : allOptions())
        if (optionEnabled(o)) options[o] = true;
    // Checking the incremental search unchecks saving the finds.
    if (options.IncFind) options.SaveFnd = false;
    caret_ = input_.size();
    refresh();
    if (view_) view_->focusInput();
}

void FindWindow::removeAllOptions() {
    if (busy()) return;
    for (Option o : allOptions()) options[o] = false;
    caret_ = input_.size();
    refresh();
    if (view_) view_->focusInput();
}

void FindWindow::kanaClassChosen(int index) {
    grid.setClass(index);
    caret_ = input_.size();
    refresh();
    if (view_) view_->focusInput();
}

void FindWindow::gridMouseMove(int x, int y) {
    auto before = grid.highlight();
    grid.mouseMoved(x, y);
    if (grid.highlight() != before) refresh();
}

void FindWindow::gridClick(int x, int y) {
    if (busy() || !open_) return;
    auto cell = KanaGrid::cellAt(x, y);
    if (!cell) return;
    const std::string ch = grid.bytes(*cell);
    // Some entry's text is the character (a UTF-8 table holds it in UTF-8).
    const std::string entry = table_.Encoding == TableEncoding::Utf8 ? common::utf16ToUtf8(common::cp932ToUtf16(ch)) : ch;
    const auto is = [&](const auto& t) { return t && *t == entry; };
    bool known = std::any_of(table_.ByteTable.begin(), table_.ByteTable.end(), is) ||
                 std::any_of(table_.PairTable.begin(), table_.PairTable.end(), is);
    table_.LongTable.forEach([&](uint32_t, int, const std::string& t) { known = known || t == entry; });
    if (!known || input_.size() >= kGridInputLimit) return;
    std::string text = input_;
    text.insert(std::min(caret_, text.size()), ch);
    const size_t end = text.size();
    setInput(std::move(text), end);
}

}  // namespace hexedit::search
