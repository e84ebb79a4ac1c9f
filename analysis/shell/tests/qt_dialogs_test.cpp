// The platform dialogs behind the Dialogs seam, answered by a timer as a
// user would answer them.

#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>

#include "shell_test_support.h"

namespace tarvel::test {
namespace {

// Runs `answer` on the modal dialog once it is up.
template <typename Dialog>
void answerWhenShown(std::function<void(Dialog&)> answer) {
    QTimer::singleShot(0, [answer] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        answer(*dialog);
    });
}

TEST(QtDialogsTest, SaveDialogAddsTheExtensionOfItsFilter) {
    QTemporaryDir dir;
    QtDialogs dialogs;
    QString title;
    answerWhenShown<QFileDialog>([&](QFileDialog& d) {
        title = d.windowTitle();
        d.selectFile(dir.filePath("flight"));
        QMetaObject::invokeMethod(&d, "accept");  // as the Save button does
    });
    const auto path = dialogs.saveFile(nullptr, "Save the Record.", "Record Files (*.rcd)");
    EXPECT_EQ(title, "Save the Record.");
    ASSERT_TRUE(path.has_value());
    EXPECT_EQ(*path, dir.filePath("flight.rcd"));

    answerWhenShown<QFileDialog>([](QFileDialog& d) { d.reject(); });
    EXPECT_EQ(dialogs.saveFile(nullptr, "Export Data to Motor File", "Motor Files (*.eng)"), std::nullopt);
}

TEST(QtDialogsTest, MessagesCarryTheApplicationTitle) {
    QtDialogs dialogs;
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    answerWhenShown<QMessageBox>([&](QMessageBox& box) {
        title = box.windowTitle();
        text = box.text();
        icon = box.icon();
        box.accept();
    });
    dialogs.message(nullptr, "Export Complete", Dialogs::Icon::Exclamation);
    EXPECT_EQ(title, "Tarvel-Graph");
    EXPECT_EQ(text, "Export Complete");
    EXPECT_EQ(icon, QMessageBox::Warning);
}

}  // namespace
}  // namespace tarvel::test
