#pragma once
// Tools > "Dump Script with Pointers..." and "Insert Script...": the script
// round trip on the open file. The dump asks for the pointer table and
// writes the script; the insert reads a script, shows what it would do, and
// on Apply writes it as one undo step.

#include <optional>
#include <string>

#include "hexedit/core/EditSession.h"
#include "hexedit/transfer/Script.h"

namespace hexedit::transfer {

inline constexpr const char* kScriptDumpTitle = "Dump Script with Pointers...";
inline constexpr const char* kScriptInsertTitle = "Insert Script...";

// The forms: each shown modally, true when the user went on (OK, Apply).
class ScriptDumpView {
public:
    virtual ~ScriptDumpView() = default;
    virtual bool askDump() = 0;
};
class ScriptInsertView {
public:
    virtual ~ScriptInsertView() = default;
    virtual bool askApply() = 0;
};

class ScriptCommands {
public:
    // Registers both commands with the session's command table.
    explicit ScriptCommands(EditSession& session);
    void setViews(ScriptDumpView* dump, ScriptInsertView* insert) {
        dumpView_ = dump;
        insertView_ = insert;
    }

    // The dump form's boxes: "OFFSET,COUNT,WIDTH,MAP[,BANK]", the byte
    // order, and more free space "START-END[, START-END...]".
    std::string pointers = "0,1,16,lorom,0";
    bool bigEndian = false;
    std::string space;
    // The insert form: its report, and the fill byte (hex, empty: leave).
    const std::string& report() const { return report_; }
    std::string fill;

    void DumpScript1Click();
    void InsertScript1Click();

private:
    bool refuse(const std::string& text, const char* title);

    EditSession& session_;
    ScriptDumpView* dumpView_ = nullptr;
    ScriptInsertView* insertView_ = nullptr;
    std::string report_;
};

}  // namespace hexedit::transfer
