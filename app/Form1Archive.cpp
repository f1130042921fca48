// Start-up and File > Open: finding the archive and listing its movies.
#include "Form1.h"

#include "Application.h"
#include "Archive.h"
#include "Catalogue.h"
#include "Discovery.h"
#include "Globals.h"
#include "SystemSeams.h"
#include "Voices.h"

#include <QListWidget>
#include <QPushButton>

void TForm1::FormCreate()
{
    MessageVoice = 0;
    OutputFolder.clear();
    runDiscovery();
}

void TForm1::runDiscovery()
{
    const hotaru::Discovery found = hotaru::discoverArchive(seams::drives(), [] {
        return prompts::current().messageBox(nullptr, QStringLiteral("ホタル奇譚のCDROMが入っていません。"),
                                             QStringLiteral("エラー"),
                                             prompts::MB_RETRYCANCEL | prompts::MB_ICONSTOP) != prompts::IDCANCEL;
    });
    switch (found.outcome) {
    case hotaru::DiscoveryOutcome::NoCdRom:
        prompts::current().messageBox(nullptr, QStringLiteral("CD-ROMが見つかりませんわ。"),
                                      QStringLiteral("エラーですわよ。"), prompts::MB_OK);
        return;
    case hotaru::DiscoveryOutcome::GaveUp:
        ArchiveVariant = 0;
        Button2->setEnabled(false);
        Button5->setEnabled(false);
        Button6->setEnabled(false);
        return;
    case hotaru::DiscoveryOutcome::Found:
        break;
    }
    ArchivePath = QString::fromStdString(found.archivePath);
    openArchive();
    SetStatusText(voiceText(0, Message::Ready));
    selectRow(ListBox1, 0);
}

void TForm1::openArchive()
{
    const hotaru::ArchiveInfo info = hotaru::inspectArchive(ArchivePath.toStdString());
    ArchiveVariant = info.variant;
    listTitles();
}

void TForm1::listTitles()
{
    for (std::int32_t n = 1; n <= hotaru::movieCount(ArchiveVariant); ++n)
        ListBox1->addItem(fromUtf8(hotaru::movieTitle(ArchiveVariant, n)));
}

void TForm1::Open1Click()
{
    if (!OpenDialog1->Execute())
        return;
    ArchivePath = OpenDialog1->FileName;
    ListBox1->clear();
    ListBox2->clear();
    PickList.clear();
    selectRow(ListBox2, -1);
    Button4->setEnabled(false);
    openArchive();
    // A run keeps the pick buttons off until its end gives them back.
    if (!isRunning()) {
        Button2->setEnabled(true);
        Button5->setEnabled(true);
        Button6->setEnabled(true);
    }
    SetStatusText(voiceText(MessageVoice, Message::Ready));
    selectRow(ListBox1, 0);
}
