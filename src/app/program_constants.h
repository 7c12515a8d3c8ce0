#pragma once
// Names and fixed texts of the program as a whole.

#include <QString>

namespace kv {

// Message boxes carry the application title; the main window has its own caption.
inline const QString kApplicationTitle = QStringLiteral("КВ-4410ПК");
inline const QString kMainWindowCaption = QStringLiteral("Октанометр КВ-4410ПК");

// The data files, all in the data directory (data_directory.h decides which).
inline const QString kCalibrationFileName = QStringLiteral("kor.tab");
inline const QString kArchiveFileName = QStringLiteral("data.tab");
inline const QString kJournalFileName = QStringLiteral("data2.tab");

inline const QString kHelpFileName = QStringLiteral("qt44usb.pdf");
inline const QString kHelpFailedText = QStringLiteral("Немогу выполнить  !");

}  // namespace kv
