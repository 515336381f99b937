#pragma once
// How a choice that does not apply looks: faded, so it reads as shut at a glance. The menu
// pickers paint themselves at this opacity; standard Qt controls (a spin box, a check box), whose
// disabled look in the Fusion style is barely different, get the same fade from
// fadeWhileDisabled.

#include <QtGlobal>

class QWidget;

namespace kestro {

constexpr qreal kDisabledOpacity = 0.45;

// From now on `widget` is drawn at kDisabledOpacity whenever it is disabled (by itself or
// through a parent), and as usual otherwise.
void fadeWhileDisabled(QWidget* widget);

}  // namespace kestro
