#pragma once
// The Goto window (TJumpForm) and its three commands: goto a typed address,
// jump to a bookmark of the table file, save the cursor as a bookmark. Also
// the table's jump list window (TJMPForm) and the return offsets that the
// relative jump pushes and "Return to Last Offset" takes back.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hexedit/core/EditSession.h"
#include "hexedit/core/OffsetFormat.h"

namespace hexedit::search {

inline constexpr char kNoBookmarkTable[] = "No Table file to Save Bookmark to...";
inline constexpr char kReturnStackFull[] = "Error: Maximum of 64 return offsets already saved!";
inline constexpr char kNotLoRomAddress[] = "Not a SNES LoROM address: its low 16 bits must be $8000 or more.";
inline constexpr char kOutsideBuffer[] = "Error: The target offset lies outside the buffer!";
inline constexpr size_t kBookmarkNameLimit = 20;

// Pushes `offset` onto the return offsets; when 64 are held, shows the
// maximum message instead and returns false.
bool pushReturnOffset(EditSession& session, int32_t offset);

// The offset in a jump list item "label->[offset]": the hex digits after the
// item's last "[" up to "]". Nothing without a "[" or without digits.
std::optional<uint32_t> bookmarkOffset(std::string_view item);

// The form showing the Goto window.
class GotoView {
public:
    virtual ~GotoView() = default;
    // Shows the window modally; returns once it has closed.
    virtual void execModal() = 0;
    virtual void closeWindow() = 0;
    // Captions, enabled controls, text, list, formats.
    virtual void refresh() = 0;
};

enum class GotoUse { GotoOffset, JumpList, Bookmark };

class GotoWindow {
public:
    explicit GotoWindow(EditSession& session);
    void setView(GotoView* v) { view_ = v; }

    // Commands.
    void GotoOffset1Click();
    void JumpOffsetList1Click();
    void SaveBookmark1Click();
    void ReturntoLastOffset1Click();

    // What the window shows.
    GotoUse use() const { return use_; }
    std::string caption() const;
    std::string groupCaption() const;  // of the text box's group
    bool textEnabled() const { return use_ != GotoUse::JumpList; }
    bool listEnabled() const { return use_ == GotoUse::JumpList; }
    size_t maxLength() const { return use_ == GotoUse::Bookmark ? kBookmarkNameLimit : 0; }  // 0: none
    const std::vector<std::string>& items() const { return session_.table().BookmarkList; }

    // Controls. Text is in the table's single-byte code page.
    const std::string& text() const { return text_; }
    void setText(std::string_view text);  // typed or pasted: filtered by the key rules
    int selectedItem() const { return selected_; }
    void selectItem(int row);
    int addressFormat = pcOFFSET;  // pcOFFSET, snLOROM, snHIROM
    bool hexValue() const { return hex_; }
    void hexClicked(bool checked);
    void decimalClicked(bool checked);
    bool decimalEnabled() const { return !listEnabled(); }

    // The key rule of the text box for a typed character: the character to
    // insert (letters folded to upper case for hex), or nothing to drop it.
    std::optional<char> acceptChar(char c) const;

    // Enter in the box or the list, or "Done".
    void done();
    // Escape anywhere: the window closes and the command does nothing.
    void escape();

private:
    void open(GotoUse use);
    void setHex(bool hex);
    void gotoOffset();
    void jumpToItem();
    void saveBookmark();
    void refresh();

    EditSession& session_;
    GotoView* view_ = nullptr;
    GotoUse use_ = GotoUse::GotoOffset;
    std::string text_;
    int selected_ = -1;
    bool hex_ = true;
    bool cancelled_ = false;
};

// The form showing the jump list window.
class JumpListView {
public:
    virtual ~JumpListView() = default;
    virtual void showList() = 0;  // without modality; brings it up
    virtual void closeList() = 0;
    virtual void listChanged() = 0;
    virtual void focusMainWindow() = 0;
};

// The table's bookmarks in a list beside the main window.
class JumpListWindow {
public:
    explicit JumpListWindow(EditSession& session) : session_(session) {}
    void setView(JumpListView* v) { view_ = v; }

    void ViewJUMPList1Click();
    const std::vector<std::string>& items() const { return items_; }
    bool visible() const { return visible_; }
    // Double click or Enter on a row: the cursor goes to its offset.
    void activate(int row);
    void escape();
    // The window was closed by any means.
    void closed();

private:
    EditSession& session_;
    JumpListView* view_ = nullptr;
    std::vector<std::string> items_;
    bool visible_ = false;
};

}  // namespace hexedit::search
