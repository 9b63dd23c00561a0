#pragma once

// The program's own view, for screen readers, of the controls Qt presents amiss or not at all:
// the choice and link labels, menu titles and items, line edits, panels, tab bars, sliders told in
// words and read-only rich texts. Installed by InstallAccessibleInterfaces (accessibility.h).

#include <QAccessibleInterface>
#include <QString>

class QAbstractSlider;
class QObject;

namespace chiffrel::ui {

// The property of a slider that holds the words its positions stand for, as a list of texts, in
// the order of the positions (SetPositionWords).
inline constexpr char kPositionWords[] = "positionWords";

// What is said of a slider's position.
QString SpokenPosition(const QAbstractSlider& slider);

// The factory of those interfaces, asked for each class of an object, most derived first.
QAccessibleInterface* OurInterfaces(const QString& className, QObject* object);

}  // namespace chiffrel::ui
