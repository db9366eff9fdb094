// The About and Help boxes in the real window: OK only, no icon, modal, and the
// window unchanged afterwards.
#include "app/App.h"
#include "platform/MainWindow.h"
#include "platform/QtDialogs.h"
#include "shell/Bindings.h"
#include "sound/MixerSoundSystem.h"
#include "tools/HelpTexts.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

#include <filesystem>

using namespace aurelith;

class HelpMenuTest : public QObject {
    Q_OBJECT

private slots:
    void everyBoxHasOnlyOkAndNoIcon()
    {
        char pattern[] = "/tmp/aurelith-help-XXXXXX";
        const std::filesystem::path folder = ::mkdtemp(pattern);
        Form form;
        MixerSoundSystem sound;
        QtDialogs dialogs;
        App app(form, sound, dialogs, folder);
        bindHandlers(app);
        TimerScheduler scheduler(form, [] { return std::int64_t{0}; });
        MainWindow window(form, scheduler);
        dialogs.setParent(&window);
        window.show();

        for (const HelpText& help : helpTexts(app)) {
            const std::string item(help.item);
            QAction* action = nullptr;
            for (const char* menu : {"ab0", "hp0"})
                for (QAction* a : window.menu(menu)->actions())
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
        std::filesystem::remove_all(folder);
    }
};

QTEST_MAIN(HelpMenuTest)
#include "HelpMenuTest.moc"
