#pragma once

#include <QCoroTask>
#include <QDate>
#include <QString>

#include <memory>

namespace vantry {

class CaptureViewModel;
class FileRevealer;
class SavePanel;
struct SavePanelRequest;

// The footer's two CSV exports: the cards as they are at the click, saved where the user
// picks, then shown in the file manager. A failed write goes to the model's error banner; a
// cancelled panel is no error.
namespace CaptureCsvExport {

enum class Kind { rawScanOrder, manabox };

// The panel the export asks with: its title, message, CSV filter and the dated file name.
SavePanelRequest panelRequest(Kind kind, const QDate& today);

// `today` names the file.
QCoro::Task<> run(std::shared_ptr<CaptureViewModel> model, Kind kind, QDate today, std::shared_ptr<SavePanel> panel,
                  std::shared_ptr<FileRevealer> revealer);

QString writeFailure(const QString& reason);

} // namespace CaptureCsvExport

} // namespace vantry
