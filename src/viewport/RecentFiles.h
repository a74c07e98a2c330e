#pragma once
// The recent-documents store: most recent first, at most kMaxRecentFiles,
// kept in the user defaults under "RecentFile0" .. "RecentFile19".

#include <QList>
#include <QUrl>
#include <optional>

constexpr int kMaxRecentFiles = 20;

// The process-wide list.
QList<QUrl>& recentFiles();
// Empties the list, then appends each stored file address (index order, once
// each) whose file exists.
void loadRecentFiles();
// Removes every "RecentFile<i>" key, then stores the list.
void saveRecentFiles();
// Puts the file at the front (dropping an earlier entry of it), keeps the
// first kMaxRecentFiles and saves.
void addRecentFile(const QUrl& url);
// The document last clicked in the recent-documents page; nothing reads it.
std::optional<QUrl>& pendingRecentFileURL();
