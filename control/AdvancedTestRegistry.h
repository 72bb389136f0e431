#pragma once

#include "MySettings.h"

#include <QHash>

#include <functional>

class QWidget;

// The test dialogs that the RUN panel's advanced-test selector opens, by test
// type (the selector's entry index, also what the brake controller records).
// Each test mode registers its creator at start-up; a type without one leaves
// the absorber with the panel. GUI thread.
class AdvancedTestRegistry
{
public:
    using Creator = std::function<QWidget*(QWidget* parent)>;
    // Restores the dialog's last position and saves it when it closes; the
    // panel calls it once the dialog has its object name.
    using PositionBinder = std::function<void(QWidget* dialog)>;

    AdvancedTestRegistry() = delete;

    // A later registration of the same type replaces the earlier one;
    // an empty creator removes it.
    static void registerCreator(int type, Creator creator, PositionBinder binder = {});
    // A dialog class with the test dialogs' window-closed signal, built with its parent.
    template<class Dialog> static void registerDialog(int type)
    {
        registerCreator(
            type, [](QWidget* parent) -> QWidget* { return new Dialog(parent); },
            [](QWidget* dialog) { theSettings.connectDialogPosition(static_cast<Dialog*>(dialog)); });
    }
    static bool has(int type);
    // Null when the type has no creator.
    static QWidget* create(int type, QWidget* parent);
    static void bindPosition(int type, QWidget* dialog);

private:
    struct Entry {
        Creator create;
        PositionBinder bindPosition;
    };
    static QHash<int, Entry>& entries();
};
