#pragma once

#include "app/Form.h"

// Placeholder window, filled in by its own change.
class HomePositions : public Form
{
    Q_OBJECT
public:
    static HomePositions &instance() { return Form::instance<HomePositions>(); }

protected:
    FormWindow *createWindow() override;

private:
    friend class Form;
    HomePositions() = default;
};
