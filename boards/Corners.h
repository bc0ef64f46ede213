#pragma once

#include "app/Form.h"

// Placeholder window, filled in by its own change.
class Corners : public Form
{
    Q_OBJECT
public:
    static Corners &instance() { return Form::instance<Corners>(); }

protected:
    FormWindow *createWindow() override;

private:
    friend class Form;
    Corners() = default;
};
