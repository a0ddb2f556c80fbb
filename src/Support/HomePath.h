#pragma once

#include <QString>

// Paths as the user writes and reads them: "~" stands for the home folder.
namespace mivo::HomePath {

// "~" and "~/rest" become the home folder and the path below it; every other
// path ("~other/x", "/a/~", "") is returned unchanged.
QString expandTilde(const QString& path);

// The home folder itself becomes "~" and a path inside it "~/rest"; any other
// path (including one that merely starts with the home folder's name, such as
// "/home/anna2" for the home "/home/anna") is returned unchanged.
QString abbreviate(const QString& path);

// Where a folder chooser for `folder` opens: that folder ("~" expanded) when
// it exists, else the home folder.
QString existingFolderOrHome(const QString& folder);

} // namespace mivo::HomePath
