// The pick list and the message voices.
#include "Form1.h"

#include "Application.h"
#include "Catalogue.h"
#include "Globals.h"
#include "Prompts.h"
#include "Voices.h"

#include <QAction>
#include <QListWidget>
#include <QPushButton>

namespace {

QString titleOf(std::int32_t movie) { return fromUtf8(hotaru::movieTitle(ArchiveVariant, movie)); }

}  // namespace

void TForm1::setVoice(std::int32_t voice)
{
    QAction* items[VoiceCount] = {K2, K3, K4};
    if (MessageVoice != voice && MessageVoice >= 0 && MessageVoice < VoiceCount)
        items[MessageVoice]->setChecked(false);
    items[voice]->setChecked(true);
    MessageVoice = voice;
    SetStatusText(voiceText(voice, Message::VoiceChange));
}

void TForm1::K2Click() { setVoice(0); }
void TForm1::K3Click() { setVoice(1); }
void TForm1::K4Click() { setVoice(2); }

void TForm1::Button2Click()
{
    const std::int32_t n = selectedRow(ListBox1) + 1;
    // Nothing selected, or a row the disc does not have: nothing to add.
    if (!hotaru::isMovie(ArchiveVariant, n))
        return;
    if (PickList.contains(n)) {
        prompts::current().message(this, QStringLiteral("すでに選択されています。"), QStringLiteral("エラー"));
        return;
    }
    PickList.add(ArchiveVariant, n);
    SetStatusText(voiceText(MessageVoice, Message::Added, hotaru::movieTitle(ArchiveVariant, n),
                            hotaru::movieSize(ArchiveVariant, n)));
    ListBox2->addItem(titleOf(n));
    Button4->setEnabled(true);
}

void TForm1::Button3Click()
{
    const std::int32_t k = selectedRow(ListBox2) + 1;
    if (k < 1 || k > PickList.count)
        return;
    const std::int32_t movie = PickList.at(k);
    SetStatusText(voiceText(MessageVoice, Message::Removed, hotaru::movieTitle(ArchiveVariant, movie),
                            hotaru::movieSize(ArchiveVariant, movie)));
    PickList.removeAt(k);
    delete ListBox2->takeItem(k - 1);
    if (PickList.count > 0) {
        selectRow(ListBox2, 0);
        return;
    }
    selectRow(ListBox2, -1);
    selectRow(ListBox1, 0);
    Button2->setEnabled(true);
    Button5->setEnabled(true);
    Button3->setEnabled(false);
    Button4->setEnabled(false);
}

void TForm1::Button5Click()
{
    ListBox2->clear();
    PickList.fill(ArchiveVariant);
    for (std::int32_t i = 1; i <= PickList.count; ++i)
        ListBox2->addItem(titleOf(i));
    selectRow(ListBox2, -1);
    if (ArchiveVariant != 0)
        Button4->setEnabled(true);
}

void TForm1::Button6Click()
{
    ListBox2->clear();
    PickList.clear();
    selectRow(ListBox2, -1);
    selectRow(ListBox1, 0);
    Button4->setEnabled(false);
}

void TForm1::ListBox1Click()
{
    const std::int32_t n = selectedRow(ListBox1) + 1;
    selectRow(ListBox2, -1);
    Button2->setEnabled(true);
    Button3->setEnabled(false);
    if (hotaru::isMovie(ArchiveVariant, n))
        SetStatusText(voiceText(MessageVoice, Message::TitleInfo, hotaru::movieTitle(ArchiveVariant, n),
                                hotaru::movieSize(ArchiveVariant, n)));
}

void TForm1::ListBox2Click()
{
    const std::int32_t k = selectedRow(ListBox2) + 1;
    selectRow(ListBox1, -1);
    Button2->setEnabled(false);
    Button3->setEnabled(true);
    if (k >= 1 && k <= PickList.count) {
        const std::int32_t movie = PickList.at(k);
        SetStatusText(voiceText(MessageVoice, Message::PickInfo, hotaru::movieTitle(ArchiveVariant, movie),
                                hotaru::movieSize(ArchiveVariant, movie)));
    }
}
