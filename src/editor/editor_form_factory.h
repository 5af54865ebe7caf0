// Makes every editor created from now on build the synthesizer's own form, TEditorForm with its
// four pages. The plug-in's entry point calls it once; tests that make instances without the entry
// point call it themselves.
#pragma once

namespace brelix {

void UseEditorForm();

}  // namespace brelix
