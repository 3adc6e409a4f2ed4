#pragma once
// The menu commands of Tarnwick32 by handler name. Each subsystem registers
// one record per menu entry it handles: caption, keys, hint, the rule that
// enables it, for check and radio entries the rule for the check mark, and
// the handler. The main window builds and refreshes every entry of the menu
// map from these records, and the key preview runs through its ordered list
// of key handlers.

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "hexedit/core/Keys.h"

namespace hexedit {

using CommandHandler = std::function<void()>;
using CommandRule = std::function<bool()>;

struct MenuCommand {
    std::string_view name;  // the handler name of the entry in the menu map
    std::string_view caption = {};
    // A caption set at run time (a file name); it replaces `caption`.
    std::function<std::string()> captionRule = {};
    std::string_view shortcut = {};  // portable key text ("Ctrl+O")
    // A second key beside the entry's own, where desktops keep the entry's
    // key for themselves (Alt+Tab switches windows).
    std::string_view secondShortcut = {};
    std::string_view hint = {};  // shown in the hint panel while the entry is highlighted
    CommandRule enabled = {};    // none: always enabled
    CommandRule checked = {};    // check and radio entries
    CommandHandler run = {};
};

class CommandTable {
public:
    using Handler = CommandHandler;
    using Rule = CommandRule;
    using KeyHandler = std::function<bool(const KeyPress&)>;

    // Registers the record of a command entry of the menu map. Throws
    // std::logic_error for a name the map does not hold as a command, one
    // registered before, or a record without a handler: all are programming
    // errors.
    void add(MenuCommand command);
    // The rule that enables a menu of the map holding entries (a menu
    // without one is enabled). Throws std::logic_error for a name the map
    // does not hold as a menu, or one given a rule before.
    void enableMenu(std::string_view menu, Rule enabled);

    bool has(std::string_view name) const;
    // The record of a command, or nullptr.
    const MenuCommand* find(std::string_view name) const;
    // The caption the entry shows now: a command's caption rule or caption,
    // a menu's caption from the map.
    std::string caption(std::string_view name) const;
    // A command's own rule (true without one; false for a name without a
    // record); a menu's rule (true without one). The main window also
    // waits for the busy state.
    bool enabled(std::string_view name) const;
    // Whether a check or radio entry shows its mark (false without a rule).
    bool checkable(std::string_view name) const;
    bool checked(std::string_view name) const;
    // Runs the handler; false when the rule says no. Throws
    // std::logic_error for a name without a handler: a programming error.
    bool run(std::string_view name) const;

    // Command entries of the menu map that have no record yet.
    std::vector<std::string> unbound() const;

    // Key preview: handlers are asked in the order they were added until one
    // uses the key.
    void addKeyHandler(KeyHandler handler);
    bool previewKey(const KeyPress& key) const;

private:
    std::map<std::string, MenuCommand, std::less<>> entries_;
    std::map<std::string, Rule, std::less<>> menuRules_;
    std::vector<KeyHandler> keyHandlers_;
};

}  // namespace hexedit
