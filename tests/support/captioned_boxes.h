#pragma once

#include <QTest>

// The labels that caption the text boxes, as data rows of the columns "label" and "box":
// each label's control name beside the name of the box it stands before.
inline void addCaptionedBoxes()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("box");
    QTest::newRow("Nick Name") << "Label15"
                               << "TxtNick";
    QTest::newRow("Full Name") << "Label16"
                               << "TxtAdName";
    QTest::newRow("Family Name") << "Label17"
                                 << "TxtAdFname";
    QTest::newRow("City") << "Label18"
                          << "TxtAdAdd";
    QTest::newRow("Phone") << "Label19"
                           << "TxtAdPhon";
}
