#pragma once
// The external program (TAppIns): its settings window, and running it on the
// open file and a chosen script file. The editor's data is written to the
// file first, the program is waited for while the window stays responsive,
// and the file is read back as the new data (one undo step).

#include <string>
#include <string_view>
#include <vector>

#include "hexedit/core/EditSession.h"
#include "hexedit/core/EditorSettings.h"
#include "hexedit/core/ModalView.h"

namespace hexedit::transfer {

// The argument list split into arguments at blanks (double quotes group),
// with "%ROMFILE" and "%SCRIPTFILE" (any case) replaced by the paths inside
// the argument they stand in.
std::vector<std::string> buildArguments(std::string_view appArgs, const std::string& romFile,
                                        const std::string& scriptFile);

// Execute External Program "name", the name being the part of the path
// after its last '/' or '\\'.
std::string externalMenuCaption(const std::string& appName);

class ExternalInserter {
public:
    ExternalInserter(EditSession& session, ExternalProgram& settings);
    ExternalInserter(const ExternalInserter&) = delete;
    ExternalInserter& operator=(const ExternalInserter&) = delete;
    void setView(ModalView* v) { view_ = v; }

    ExternalProgram& settings;

    // "External Program Settings...".
    void ExternalProgramSettings1Click();
    // The settings window: "..." and "Done".
    void GetApp1Click();
    void DoneClick();

    void ExecuteExternalProgram1Click();

private:
    EditSession& session_;
    ModalView* view_ = nullptr;
};

}  // namespace hexedit::transfer
