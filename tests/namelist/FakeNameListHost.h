#pragma once

#include <QGuiApplication>
#include <QStringList>

#include "namelist/NameList.h"

namespace picura::test {

// The Main window as the Name list sees it: a purpose the test sets, and a
// record of what it was told.
class FakeNameListHost : public NameListHost {
  public:
    NameListPurpose purpose = NameListPurpose::Crop;
    QStringList names;  // every name change, in order
    int closed = 0;
    mutable int purposeReads = 0;
    mutable bool waitPointerWhenRead = false;  // whether the wait pointer showed at the last purpose read

    NameListPurpose nameListPurpose() const override {
        ++purposeReads;
        waitPointerWhenRead = QGuiApplication::overrideCursor() != nullptr;
        return purpose;
    }
    void nameListNameChanged(const QString& name) override { names << name; }
    void nameListClosed() override { ++closed; }
};

}  // namespace picura::test
