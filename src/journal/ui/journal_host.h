#pragma once
// What the journal page needs from the main window.

#include <QString>

namespace kv {

class JournalHost {
public:
    virtual ~JournalHost() = default;
    virtual int selectedMethod() const = 0;                 // 1..4
    // As the method menu items do: the method button's letter, then selectedMethod.
    virtual void selectMethod(int method) = 0;
    // The text of txtIsRes / txtMotRes / txtAKIRes / txtCetRes for method 1..4.
    virtual QString resultLabelText(int method) const = 0;
    // Brings the journal page (PageControl1's page 0) forward.
    virtual void showJournalPage() = 0;
};

}  // namespace kv
