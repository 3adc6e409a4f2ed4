#include "hexedit/core/CommandTable.h"

#include <stdexcept>

#include "hexedit/core/MenuMap.h"

namespace hexedit {

namespace {
bool isCommand(const MenuEntry* e) {
    return e && (e->kind == EntryKind::Command || e->kind == EntryKind::Check || e->kind == EntryKind::Radio);
}
}  // namespace

void CommandTable::add(std::string_view name, Handler run, Rule enabled, Rule checked) {
    if (!isCommand(findMenuEntry(name)))
        throw std::logic_error("no menu command named " + std::string(name));
    if (!run) throw std::logic_error("empty handler for " + std::string(name));
    auto [it, added] = entries_.try_emplace(std::string(name), Entry{std::move(run), std::move(enabled), std::move(checked)});
    if (!added) throw std::logic_error("menu command registered twice: " + std::string(name));
}

bool CommandTable::has(std::string_view name) const { return entries_.find(name) != entries_.end(); }

bool CommandTable::enabled(std::string_view name) const {
    auto it = entries_.find(name);
    return it != entries_.end() && (!it->second.enabled || it->second.enabled());
}

bool CommandTable::checkable(std::string_view name) const {
    auto it = entries_.find(name);
    return it != entries_.end() && static_cast<bool>(it->second.checked);
}

bool CommandTable::checked(std::string_view name) const {
    auto it = entries_.find(name);
    return it != entries_.end() && it->second.checked && it->second.checked();
}

bool CommandTable::run(std::string_view name) const {
    auto it = entries_.find(name);
    if (it == entries_.end()) throw std::logic_error("no handler for " + std::string(name));
    if (it->second.enabled && !it->second.enabled()) return false;
    // A copy: the handler may register or replace nothing, but it may run for long.
    Handler h = it->second.run;
    h();
    return true;
}

std::vector<std::string> CommandTable::unbound() const {
    std::vector<std::string> out;
    for (const MenuEntry& e : mainMenuMap())
        if (isCommand(&e) && !e.name.empty() && !has(e.name)) out.emplace_back(e.name);
    return out;
}

void CommandTable::addKeyHandler(KeyHandler handler) { keyHandlers_.push_back(std::move(handler)); }

bool CommandTable::previewKey(const KeyPress& key) const {
    for (const auto& h : keyHandlers_)
        if (h(key)) return true;
    return false;
}

}  // namespace hexedit
