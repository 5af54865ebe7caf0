// The widget-free core of the parameter controls. Everything here is a plain function or a small
// value type: it takes what it needs explicitly and touches no widget and no X11, so the controls
// stay thin and every rule below is tested on its own.
//
// XParamSlider
//   creation   Ranges := MakeSliderRanges(Min, Max, ExtMin, ExtMax) (1e9 means "the normal
//              bound"); the edit box takes Ranges.Extended(), the bar Ranges.Normal() and the
//              extended bounds, its overflow sides from OverflowBelow/OverflowAbove. Field :=
//              TSliderField{Param, Kind, GetMask, SetMask, ScaledParam, ScaleType}; ii :=
//              PatchFieldLane(Param).
//   SetValue   KnobValue := v; v := KindValue(Kind, v); when modifying, mark and Modify;
//              Value := v; the edit text; bar position := CurveValueToPosition(Curve, v,
//              Ranges.Normal()).
//   GetParam   {Value, KnobValue} := ReadSliderField(*Patch, Field); OnGetParam; then the edit
//              text and bar as in SetValue.
//   SetParam   keep Value; WriteSliderField(*Patch, Field, Value) (refuses what is not finite);
//              OnSetParam (a TParamCall; one that sets Retaken is shown with SetValue(value,
//              true)); restore Value.
//   a drag     the bar reports a position in Ranges.Chosen(Alt); the control takes
//              CurvePositionToValue(Curve, position, that range) through UpdateValue. On release
//              UndoList.Push(OldValue) when the value differs from it.
//   reset      right click: Ctrl undoes; otherwise t := SliderResetValue(Shift, Alt,
//              Ranges.Normal(), Default); UndoList.Add(Value) when Value != t; UpdateValue(t).
//   undo       double click, Ctrl + right click: UndoList.Take() into UpdateValue.
//
// XParamCombo
//   items      BuildListItems(item text, AudioOnly, the ComboSort setting); a list that shares
//              another's items takes that control's vector. FindListValue gives the position of
//              a value number, -1 for one no item carries (the list turns red, shows value 0).
//   GetParam   Value := ReadListField(*Patch, Param); SetParam: WriteListField.
//   reset/undo the same TUndoStack<uint32_t> rules; the reset target is Default.
//
// XParamButton
//   Field := TSwitchField{Param, DefaultFalse, DefaultTrue, Inverted};
//   GetParam   Value := ReadSwitchField(*Patch, Field); SetParam: WriteSwitchField.
//
// The editor object (host parameters)
//   THostParamList<control> collects the entries while the pages are built; THostParamTable is
//   made from it (each control's HostSpec) and answers the host. Find(index, Automation) is none
//   for every call a host must get the neutral answer for (0.0, no write, "", "?"). Per entry:
//   entry 0    SwitchFromHost(v) sets ExtRange (none for NaN: unchanged); reads 0.0.
//   slider     SliderToHost(Ranges, ExtRange, Value); SliderFromHost(...), then the slider's edit
//              path on the data. Display: the value by the edit box's mask.
//   list       ListToHost(item count, Value); ListFromHost(...). Display: the item's text.
//   switch     SwitchToHost(Value); SwitchFromHost(...). SwitchDisplayText.
//   names      the entry's name, or its legacy form with LegacyParams.
//   The controls take the values a host wrote at the next idle call (TakeHostValue).

// The engine call-backs
//   OnGetParam / OnSetParam of the page controls (plain functions of a TParamCall, param_call.h,
//   so that the host parameter table runs the same ones) forward to engine_callbacks.h, whose header
//   lists which control attaches which; shown_values.h holds the conversions of the fields that
//   a control shows in another form than the patch stores.
//
// The interface form
//   One TParamNamer per page build: Section(caption, CreateHidden) gives "*" + the section's
//   name (the section's SectionName is the part after "*") and its SectionID; Control(caption,
//   hidden) gives the control's ParamID and SectionID. The entries go to the host list with
//   Add(name, control, hidden); FlushHiddenParams moves the hidden layer's entries to the end.
#pragma once

#include "editor/control_field.h"
#include "synth/engine_callbacks.h"
#include "editor/host_param_list.h"
#include "editor/host_param_table.h"
#include "editor/host_param_value.h"
#include "toolkit/list_items.h"
#include "widgets/param_kind.h"
#include "editor/param_names.h"
#include "editor/patch_field.h"
#include "editor/rate_scaled_param.h"
#include "synth/shown_values.h"
#include "editor/slider_curve.h"
#include "editor/slider_ranges.h"
#include "editor/slider_reset.h"
#include "toolkit/undo_stack.h"
