#include "hexedit/core/CommandTable.h"

#include <stdexcept>

#include "hexedit/core/MenuMap.h"

namespace hexedit {

void CommandTable::add(MenuCommand command) {
    const std::string name(command.name);
    if (!isCommandEntry(findMenuEntry(name))) throw std::logic_error("no menu command named " + name);
    if (!command.run) throw std::logic_error("empty handler for " + name);
    auto [it, added] = entries_.try_emplace(name, std::move(command));
    if (!added) throw std::logic_error("menu command registered twice: " + name);
}

void CommandTable::enableMenu(std::string_view menu, Rule enabled) {
    const MenuEntry* e = findMenuEntry(menu);
    if (!e || e->kind != EntryKind::Menu) throw std::logic_error("no menu named " + std::string(menu));
    if (!enabled || !menuRules_.try_emplace(std::string(menu), std::move(enabled)).second)
        throw std::logic_error("menu rule missing or given twice: " + std::string(menu));
}

bool CommandTable::has(std::string_view name) const { return entries_.find(name) != entries_.end(); }

const MenuCommand* CommandTable::find(std::string_view name) const {
    auto it = entries_.find(name);
    return it == entries_.end() ? nullptr : &it->second;
}

std::string CommandTable::caption(std::string_view name) const {
    if (const MenuCommand* c = find(name)) return c->captionRule ? c->captionRule() : std::string(c->caption);
    const MenuEntry* e = findMenuEntry(name);
    return e ? std::string(e->caption) : std::string();
}

bool CommandTable::enabled(std::string_view name) const {
    if (const MenuCommand* c = find(name)) return !c->enabled || c->enabled();
    if (auto it = menuRules_.find(name); it != menuRules_.end()) return it->second();
    const MenuEntry* e = findMenuEntry(name);
    return e && e->kind == EntryKind::Menu;
}

bool CommandTable::checkable(std::string_view name) const {
    const MenuCommand* c = find(name);
    return c && static_cast<bool>(c->checked);
}

bool CommandTable::checked(std::string_view name) const {
    const MenuCommand* c = find(name);
    return c && c->checked && c->checked();
}

bool CommandTable::run(std::string_view name) const {
    const MenuCommand* c = find(name);
    if (!c) throw std::logic_error("no handler for " + std::string(name));
    if (c->enabled && !c->enabled()) return false;
    // A copy: the handler may run for long.
    Handler h = c->run;
    h();
    return true;
}

std::vector<std::string> CommandTable::unbound() const {
    std::vector<std::string> out;
    for (const MenuEntry& e : mainMenuMap())
        if (isCommandEntry(&e) && !has(e.name)) out.emplace_back(e.name);
    return out;
}

void CommandTable::addKeyHandler(KeyHandler handler) { keyHandlers_.push_back(std::move(handler)); }

bool CommandTable::previewKey(const KeyPress& key) const {
    for (const auto& h : keyHandlers_)
        if (h(key)) return true;
    return false;
}

}  // namespace hexedit
