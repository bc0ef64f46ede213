#pragma once

#include "app/Form.h"

// Placeholder window, filled in by its own change.
class frmAbout : public Form
{
    Q_OBJECT
public:
    static frmAbout &instance() { return Form::instance<frmAbout>(); }

protected:
    FormWindow *createWindow() override;

private:
    friend class Form;
    frmAbout() = default;
};
