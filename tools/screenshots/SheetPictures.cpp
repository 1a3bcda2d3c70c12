// Pictures of the project property sheet and of the options sheet.

#include "Screenshots.h"
#include "support/gui/DialogTestSupport.h"

#include "core/model/CMyDoc.h"
#include "core/model/CSyncProject.h"
#include "core/platform/Prompt.h"
#include "gui/filters/CGlobalFilterEditPp.h"
#include "gui/model/CSyncProjectPropPs.h"
#include "gui/shell/CAppOptionPs.h"

#include <QCheckBox>
#include <QPixmap>
#include <QTabWidget>

namespace {

class Screenshots : public ::testing::Test
{
protected:
    void SetUp() override
    {
        profile.SetFilters({{QStringLiteral("バックアップ"), QStringLiteral("!*.bak;*.old;~*")},
            {QStringLiteral("オブジェクト"), QStringLiteral("!*.o;*.obj;*.pdb")},
            {QStringLiteral("文書のみ"), QStringLiteral("*.docx;*.xlsx;*.txt")}});
        doc.SetCommonFilterSelection({QStringLiteral("バックアップ")});
    }

    TempProfile profile;
    CMyDoc doc;
    CScriptedPrompt prompt;
    CPromptScope scope{prompt};
};

} // namespace

TEST_F(Screenshots, ProjectPropertySheet)
{
    // Folders as a user has them (they need not exist for the picture).
    CSyncProject* project = CreateProject(doc.GetRoot(),
        {QStringLiteral("/home/yuki/文書/報告書"), QStringLiteral("/media/yuki/USB メモリ/報告書"), true});
    ASSERT_NE(project, nullptr);
    project->SetName(QStringLiteral("月次報告"));
    CAppOptionSync own;
    own.Flags = SyncFlag::Default | SyncFlag::Recursive | SyncFlag::DeleteFiles;
    project->ApplySyncOptions(false, own, false);
    {
        CSyncProjectPropPs sheet(*project);
        sheet.show();
        Control<QCheckBox>(sheet.Tabs()->widget(0), 1114)->setChecked(true);
        SaveWindow(sheet, QStringLiteral("project-property-sheet.png"));
    }
    {
        CSyncProjectPropPs sheet(*project);
        sheet.show();
        sheet.Tabs()->setCurrentIndex(2);
        SaveWindow(sheet, QStringLiteral("project-property-sheet-sync.png"));
    }
}

TEST_F(Screenshots, OptionsSheet)
{
    {
        CAppOptionPs sheet;
        SaveWindow(sheet, QStringLiteral("options-sheet.png"));
    }
    {
        CAppOptionPs sheet(nullptr, CAppOptionPs::GlobalFilterPage);
        sheet.SetFilterSelection(doc.GetCommonFilterSelection());
        SaveWindow(sheet, QStringLiteral("options-sheet-global-filter.png"));
    }
}
