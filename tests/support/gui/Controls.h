#pragma once

#include "core/resources/Texts.h"

#include <QAbstractButton>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

// The child of `parent` that carries control id `id`.
template <typename T> T* Control(QWidget* parent, int id)
{
    T* control = parent->findChild<T*>(IdName(id));
    EXPECT_NE(control, nullptr) << "control " << id;
    return control;
}

inline void Click(QAbstractButton* button)
{
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(button->isEnabled()) << button->text().toStdString();
    // Check boxes and radio buttons take clicks on their indicator and label
    // only, which begin at their left edge; push buttons anywhere.
    const bool hasIndicator = button->inherits("QCheckBox") || button->inherits("QRadioButton");
    const QPoint at = hasIndicator ? QPoint(6, button->height() / 2) : button->rect().center();
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, at);
}
