#pragma once
// The changes an operator makes to the calibrations, as the calibrations page asks for
// them. The workspace carries them out, so that each is one named step that can be taken
// back; the page never writes the list itself.

#include "measure/calibration_store.h"

namespace kv {

class CalibrationEdits {
public:
    virtual ~CalibrationEdits() = default;

    // Positions are 1-based. Create, edit and delete write kor.tab and raise its file
    // errors (the list keeps the change); switching on or off is not stored.
    virtual void addCalibration(const TCalibration& record) = 0;
    virtual void replaceCalibration(int position, const TCalibration& record) = 0;
    virtual void deleteCalibration(int position) = 0;
    virtual ToggleResult toggleCalibration(int position) = 0;
};

}  // namespace kv
