#pragma once
// The desktop side of File > Export... and the toolbox's "Export These Packets":
// the save dialog that picks the pcapng file, the export itself with the windows
// kept alive, and the message box that tells how it went.

#include <QWidget>
#include <functional>
#include <string>

#include "import/TraceExport.h"

namespace quenlix {

inline constexpr const char* kExportDialogTitle = "Export Trace File";
inline constexpr const char* kExportTitle = "Export";

// The file the user chose and whether an existing one may be replaced: the save
// dialog has already asked. An empty path: the user cancelled.
struct ExportChoice {
    std::string Path;
    bool Replace = false;
};

// Asks where the export goes, starting at the suggested path.
using ExportFileChooser = std::function<ExportChoice(QWidget* parent, const std::string& suggestedPath)>;

// The save dialog: pcapng by default, and its own question before an existing
// file is replaced, so that the user is asked once.
ExportChoice ChooseExportFile(QWidget* parent, const std::string& suggestedPath);

// Asks for the file with chooser, writes the export (the request's trace, options
// and frames) while keeping the windows painted, and tells the outcome in a
// message box. Nothing happens when the user cancels.
void ExportWithDialogs(QWidget* parent, ExportRequest request, const ExportFileChooser& chooser);

}  // namespace quenlix
