// With the Shortcuts setting on, a click on a button, label, section header, list widget or
// slider bar first gives the keyboard focus to the page box it sits in, so that the editor's keys
// act on the page; with the setting off nothing happens.
#pragma once

namespace brelix {

class TWidget;

void FocusParent(TWidget& widget);

}  // namespace brelix
