#pragma once
// The changes an operator makes to the journal and the archive, as the pages ask for
// them. The workspace carries them out, so that each is one named step that can be taken
// back; the pages never write the book themselves.

#include "core/methods.h"

#include <QDateTime>
#include <QString>

namespace kv {

class JournalEdits {
public:
    virtual ~JournalEdits() = default;

    // Rows are table rows (1..). Each does nothing where the book's rule does nothing.
    virtual void addEntry(Method method, const QString& value, const QDateTime& when) = 0;
    virtual void editComment(int row, const QString& text) = 0;
    virtual void deleteEntry(int row) = 0;
    virtual void moveToArchive(int row) = 0;
    virtual void deleteArchived(int row) = 0;
};

}  // namespace kv
