#pragma once

#include "app/Form.h"

// Placeholder window, filled in by its own change.
class CallEdit : public Form
{
    Q_OBJECT
public:
    static CallEdit &instance() { return Form::instance<CallEdit>(); }

protected:
    FormWindow *createWindow() override;

private:
    friend class Form;
    CallEdit() = default;
};
