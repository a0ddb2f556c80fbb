#pragma once

class QWidget;

namespace mivo {

class SetupCoordinator;

// The wizard's download-folder chooser: a folder-only, single-choice file
// dialog over `parent`, opened at the current download folder (or the home
// folder when that does not exist); a confirmed choice replaces the coordinator's output
// folder with the chosen folder's full path. Returns at once.
namespace FolderChooser {

void choose(QWidget* parent, SetupCoordinator& coordinator);

} // namespace FolderChooser

} // namespace mivo
