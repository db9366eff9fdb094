// The About and Help boxes in the real window: OK only, no icon, modal, and the
// window unchanged afterwards.
#include "platform/QtDialogs.h"
#include "support/WindowRig.h"
#include "tools/HelpTexts.h"
#include "ui/ControlNames.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

using namespace aurelith;

class HelpMenuTest : public QObject {
    Q_OBJECT

private slots:
    void everyBoxHasOnlyOkAndNoIcon()
    {
        test::WindowRig<QtDialogs> rig;
        Form& form = rig.form;

        for (const HelpText& help : helpTexts(*rig.app)) {
            const std::string item(help.item);
            QAction* action = nullptr;
            for (const std::string_view menu : {ctl::mnuAbout, ctl::mnuHelp})
                for (QAction* a : rig.window->menu(menu)->actions())
                    if (a->objectName() == QString::fromStdString(item) ||
                        a->text() == QString::fromStdString(form.caption(help.item)))
                        action = a;
            QVERIFY2(action, item.c_str());
            QString title, text;
            int buttons = -1;
            QMessageBox::Icon icon = QMessageBox::Warning;
            QTimer::singleShot(0, [&] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                QVERIFY(box);
                title = box->windowTitle();
                text = box->text();
                buttons = box->buttons().size();
                icon = box->icon();
                box->button(QMessageBox::Ok)->click();
            });
            action->trigger();
            QCOMPARE(title, QString::fromStdString(help.title));
            QCOMPARE(text, QString::fromStdString(help.text));
            QCOMPARE(buttons, 1);
            QCOMPARE(icon, QMessageBox::NoIcon);
            QVERIFY(!form.inModal());
        }
    }
};

QTEST_MAIN(HelpMenuTest)
#include "HelpMenuTest.moc"
