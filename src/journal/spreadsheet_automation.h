#pragma once
// The late-bound automation interface the export drives a spreadsheet application
// through: objects answer calls by name (matched without regard to case), each a property
// read, a property write or a method call with a list of plain arguments.

#include <QString>

#include <functional>
#include <memory>
#include <variant>
#include <vector>

namespace kv {

enum class CallKind { Get, Put, Method };

// An automation argument: a 32-bit integer, a Boolean or a string.
using AutomationValue = std::variant<int, bool, QString>;
using AutomationArgs = std::vector<AutomationValue>;

class AutomationObject;
using AutomationObjectPtr = std::shared_ptr<AutomationObject>;

class AutomationObject {
public:
    virtual ~AutomationObject() = default;

    // Carries out one call. Returns the object the call yields, or nullptr for a call that
    // yields none. A call the object can't carry out raises kv::Error with the
    // application's text; the object stays usable for releasing.
    virtual AutomationObjectPtr invoke(const QString& name, CallKind kind,
                                       const AutomationArgs& args) = 0;
};

// Creates an application object by its programmatic identifier; nullptr when no
// application answers to it. An object is released when its last pointer goes.
using AutomationFactory = std::function<AutomationObjectPtr(const QString& programId)>;

// The screen cursor an export shows while it writes rows.
class BusyCursor {
public:
    virtual ~BusyCursor() = default;
    virtual void setHourglass() = 0;
    virtual void setDefault() = 0;
};

// Case-insensitive match of a dispatch name.
bool sameDispatchName(const QString& a, const QString& b);

}  // namespace kv
