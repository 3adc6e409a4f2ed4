#pragma once
// The menu commands of Tarnwick32 by handler name. Each subsystem registers
// the handlers of its menu entries here, with the rule that enables them and,
// for check and radio entries, the rule for the check mark. The main window
// binds every entry of the menu map from this table, and the key preview
// runs through its ordered list of key handlers.

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "hexedit/core/Keys.h"

namespace hexedit {

class CommandTable {
public:
    using Handler = std::function<void()>;
    using Rule = std::function<bool()>;
    using KeyHandler = std::function<bool(const KeyPress&)>;

    // Registers the handler of a command entry of the menu map. Throws
    // std::logic_error for a name the map does not hold as a command, or one
    // registered before: both are programming errors.
    void add(std::string_view name, Handler run, Rule enabled = {}, Rule checked = {});

    bool has(std::string_view name) const;
    // The entry's own rule (true without one); the main window also applies
    // the editor-state groups of the menu map and the busy state.
    bool enabled(std::string_view name) const;
    // Whether a check or radio entry shows its mark (false without a rule).
    bool checkable(std::string_view name) const;
    bool checked(std::string_view name) const;
    // Runs the handler; false when the rule says no. Throws
    // std::logic_error for a name without a handler: a programming error.
    bool run(std::string_view name) const;

    // Command entries of the menu map that have no handler yet.
    std::vector<std::string> unbound() const;

    // Key preview: handlers are asked in the order they were added until one
    // uses the key.
    void addKeyHandler(KeyHandler handler);
    bool previewKey(const KeyPress& key) const;

private:
    struct Entry {
        Handler run;
        Rule enabled;
        Rule checked;
    };
    std::map<std::string, Entry, std::less<>> entries_;
    std::vector<KeyHandler> keyHandlers_;
};

}  // namespace hexedit
