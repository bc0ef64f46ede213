#pragma once

// Qt clicks a button 100 ms after its accelerator, or an assistive
// technology's press, and merges the presses that come meanwhile: two quick
// Alt+U would mark one call, and an Enter right after Alt+F would act before
// the Find. Once installed, an accelerator clicks its button at once, and an
// assistive technology's press clicks it right after the press returns, each
// press a click of its own, in order, in every window of the program.
namespace ImmediateButtons {

void install();

} // namespace ImmediateButtons
