<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja_JP">
<context>
    <name>ArchiveChooser</name>
    <message>
        <source>ホタル奇譚のCDROMが入っていません。</source>
        <translation>The Hotaru Kitan CD-ROM is not in the drive.</translation>
    </message>
    <message>
        <source>エラー</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>CD-ROMが見つかりませんわ。</source>
        <translation>I can&apos;t find a CD-ROM drive anywhere, you know.</translation>
    </message>
    <message>
        <source>エラーですわよ。</source>
        <translation>That&apos;s an error, I&apos;m afraid.</translation>
    </message>
    <message>
        <source>ホタル奇譚ムービーファイル(hotaru4)</source>
        <translation>Hotaru Kitan movie archive (hotaru4)</translation>
    </message>
    <message>
        <source>ディスクイメージ(iso, cue, bin, chd, ccd, img, mds, mdf, nrg)</source>
        <translation>Disc images (iso, cue, bin, chd, ccd, img, mds, mdf, nrg)</translation>
    </message>
</context>
<context>
    <name>Failures</name>
    <message>
        <source>ﾌｧｲﾙが見つかりません</source>
        <translation>file not found</translation>
    </message>
    <message>
        <source>不正なﾌｧｲﾙ名です</source>
        <translation>no such folder on the way, or an invalid name</translation>
    </message>
    <message>
        <source>ｵｰﾌﾟﾝしたﾌｧｲﾙが多すぎます</source>
        <translation>too many open files</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙへのｱｸｾｽが拒否されました</source>
        <translation>access denied</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙの末尾以降を読み込みました</source>
        <translation>the file ends before the bytes asked for</translation>
    </message>
    <message>
        <source>ﾃﾞｨｽｸがいっぱいです</source>
        <translation>disk full</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙ名が長すぎます</source>
        <translation>file name too long</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙではありません</source>
        <translation>not a file (a pipe, socket or device), so it is not read</translation>
    </message>
    <message>
        <source>I/O ｴﾗｰ (%1)</source>
        <comment>the file exists</comment>
        <translation>the file exists</translation>
    </message>
    <message>
        <source>I/O ｴﾗｰ (%1)</source>
        <comment>disk full</comment>
        <translation>disk full</translation>
    </message>
    <message>
        <source>I/O ｴﾗｰ (%1)</source>
        <comment>invalid file name</comment>
        <translation>invalid file name</translation>
    </message>
    <message>
        <source>I/O ｴﾗｰ (%1)</source>
        <comment>read or write error on the device</comment>
        <translation>read or write error on the device</translation>
    </message>
    <message>
        <source>I/O ｴﾗｰ (%1)</source>
        <translation>input/output error %1</translation>
    </message>
    <message>
        <source>ﾃﾞｨｽｸｲﾒｰｼﾞに hotaru4 がありません</source>
        <translation>the disc image holds no hotaru4</translation>
    </message>
    <message>
        <source>CUEｼｰﾄのﾄﾗｯｸのﾌｧｲﾙが見つかりません</source>
        <translation>a track file the CUE sheet names is not there</translation>
    </message>
    <message>
        <source>ﾄﾗｯｸのﾌｧｲﾙがCUEｼｰﾄより短くなっています</source>
        <translation>the track file is shorter than the CUE sheet says</translation>
    </message>
    <message>
        <source>CUEｼｰﾄの %1 行目が読めません</source>
        <translation>line %1 of the CUE sheet cannot be read</translation>
    </message>
    <message>
        <source>ﾃﾞｨｽｸｲﾒｰｼﾞにﾃﾞｰﾀﾄﾗｯｸがありません</source>
        <translation>the disc image has no data track</translation>
    </message>
    <message>
        <source>この形式のﾃﾞｨｽｸｲﾒｰｼﾞには対応していません</source>
        <translation>this kind of disc image is not supported</translation>
    </message>
    <message>
        <source>CHDの圧縮形式 %1 には対応していません</source>
        <translation>the CHD compression %1 is not supported</translation>
    </message>
    <message>
        <source>ﾃﾞｨｽｸｲﾒｰｼﾞが壊れています (ﾁｪｯｸｻﾑが合いません)</source>
        <translation>the disc image is damaged (a checksum does not match)</translation>
    </message>
    <message>
        <source>読み直しても読めないｾｸﾀがあります (%1)</source>
        <translation>a sector cannot be read, even after retries (%1)</translation>
    </message>
    <message>
        <source>ﾃﾞｨｽｸｲﾒｰｼﾞが壊れています</source>
        <translation>the disc image is damaged</translation>
    </message>
    <message>
        <source>{%1} という項目はありません</source>
        <translation>there is no field {%1}</translation>
    </message>
    <message>
        <source>「%1」の { が閉じていません</source>
        <translation>the { of &apos;%1&apos; is never closed</translation>
    </message>
    <message>
        <source>対になる { のない } があります</source>
        <translation>a } closes no {; write }} for a brace</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙ名に %1 は使えません</source>
        <translation>a file name cannot hold %1</translation>
    </message>
    <message>
        <source>ﾃﾞｨｽｸ%1のﾑｰﾋﾞｰ%2の名前が空になります</source>
        <translation>the name of disc %1&apos;s movie %2 comes out empty</translation>
    </message>
    <message>
        <source>ﾃﾞｨｽｸ%1のﾑｰﾋﾞｰ%2の名前が「%3」になり、保存先のﾌｫﾙﾀﾞの外を指します</source>
        <translation>the name of disc %1&apos;s movie %2 comes out as &apos;%3&apos;, outside the output folder</translation>
    </message>
    <message>
        <source>字幕ﾌｧｲﾙを読み込めません</source>
        <translation>cannot read the subtitle file</translation>
    </message>
    <message>
        <source>字幕ﾌｧｲﾙが大きすぎます</source>
        <translation>the subtitle file is too large</translation>
    </message>
    <message>
        <source>字幕ﾌｧｲﾙの形式が分かりません</source>
        <translation>not a subtitle format known here (.srt, .ass)</translation>
    </message>
    <message>
        <source>UTF-8 でも Shift-JIS でもありません</source>
        <translation>neither UTF-8 nor Shift-JIS</translation>
    </message>
    <message>
        <source>時間の行がありません</source>
        <translation>a cue has no timing line</translation>
    </message>
    <message>
        <source>時間が正しくありません</source>
        <translation>a time is malformed</translation>
    </message>
    <message>
        <source>終わりが始まりより前です</source>
        <translation>a cue ends before it starts</translation>
    </message>
    <message>
        <source>[Events] がありません</source>
        <translation>there is no [Events] section</translation>
    </message>
    <message>
        <source>[Events] の Format 行が足りません</source>
        <translation>the [Events] section lacks a proper Format line</translation>
    </message>
    <message>
        <source>Dialogue 行の項目が足りません</source>
        <translation>a Dialogue line has too few fields</translation>
    </message>
    <message>
        <source>表示する字幕がありません</source>
        <translation>there is no subtitle to show</translation>
    </message>
    <message>
        <source>%1 行目: %2</source>
        <translation>line %1: %2</translation>
    </message>
</context>
<context>
    <name>Language</name>
    <message>
        <source>built-in</source>
        <comment>the code of this translation&apos;s language</comment>
        <translation>en</translation>
    </message>
</context>
<context>
    <name>PutBackTexts</name>
    <message>
        <source>空き容量を確認中</source>
        <translation>Checking the free space</translation>
    </message>
    <message>
        <source>ﾃﾞｨｽｸｲﾒｰｼﾞをｺﾋﾟｰ中</source>
        <translation>Copying the disc image</translation>
    </message>
    <message>
        <source>ﾑｰﾋﾞｰを書き込み中</source>
        <translation>Writing the movie into the copy</translation>
    </message>
    <message>
        <source>chdman でCHDを作成中</source>
        <translation>Making the CHD with chdman</translation>
    </message>
    <message>
        <source>ｺﾋﾟｰを読み直して確認中</source>
        <translation>Reading the copy back to check it</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙ名を付け替え中</source>
        <translation>Giving the files their names</translation>
    </message>
    <message>
        <source>%1 は元のﾃﾞｨｽｸｲﾒｰｼﾞのﾌｧｲﾙです。別のﾌｫﾙﾀﾞを指定してください</source>
        <translation>%1 is one of the disc image&apos;s own files; choose another folder</translation>
    </message>
    <message>
        <source>%1 の空き容量が足りません (%2 KB 必要、空き %3 KB)。何も書き込んでいません</source>
        <translation>%1: not enough free space (%2 KB needed, %3 KB free); nothing was written</translation>
    </message>
    <message>
        <source>中止しました。何も書き込んでいません</source>
        <translation>stopped; nothing was written</translation>
    </message>
    <message>
        <source>書き込む範囲がｱｰｶｲﾌﾞの外にあります</source>
        <translation>the new movie would lie outside the archive</translation>
    </message>
    <message>
        <source>読み込めません (%1)</source>
        <translation>cannot be read (%1)</translation>
    </message>
    <message>
        <source>書き込めません (%1)</source>
        <translation>cannot be written (%1)</translation>
    </message>
    <message>
        <source>chdman が失敗しました: %1</source>
        <translation>chdman failed: %1</translation>
    </message>
    <message>
        <source>%1 がほかのﾌｫﾙﾀﾞのﾌｧｲﾙを指しているため、ｺﾋﾟｰを作れません</source>
        <translation>%1 names files in another folder, so no copy of it can be made</translation>
    </message>
    <message>
        <source>読み直すとｱｰｶｲﾌﾞの %1 ﾊﾞｲﾄ目が書いた内容と違います</source>
        <translation>read back, the archive differs from what was written at byte %1</translation>
    </message>
    <message>
        <source>%1: %2 (%3)</source>
        <translation>%1: %2 (%3)</translation>
    </message>
    <message>
        <source>ﾃﾞｨｽｸのﾑｰﾋﾞｰが壊れていて、大きさや音声の形式が読み取れません</source>
        <translation>the disc&apos;s movie is damaged: its picture size and sound format cannot be read</translation>
    </message>
    <message>
        <source>%1: 動画として読み込めません</source>
        <translation>%1: cannot be read as a video</translation>
    </message>
    <message>
        <source>%1: 映像がありません</source>
        <translation>%1: it has no pictures</translation>
    </message>
    <message>
        <source>%1: %2 秒あり、上限の %3 秒より長いので書き戻しません</source>
        <translation>%1: it runs %2 seconds, longer than the limit of %3 seconds, so it is not put back</translation>
    </message>
    <message>
        <source>%1: 最低の画質でも %2 ﾊﾞｲﾄになり、元のﾑｰﾋﾞｰの %3 ﾊﾞｲﾄに収まりません</source>
        <translation>%1: even at the lowest quality it takes %2 bytes, more than the %3 bytes of the disc&apos;s movie</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>字幕を描く日本語のﾌｫﾝﾄが見つかりません</source>
        <translation>no Japanese font was found to draw the subtitles with</translation>
    </message>
    <message>
        <source>%1: 字幕を描くﾌｫﾝﾄを読み込めません</source>
        <translation>%1: the font for the subtitles cannot be read</translation>
    </message>
    <message>
        <source>Cinepak のｴﾝｺｰﾀﾞが組み込まれていません</source>
        <translation>this build has no Cinepak encoder</translation>
    </message>
    <message>
        <source>ﾃﾞｨｽｸのﾑｰﾋﾞｰの画面の大きさは Cinepak で作れません (縦横とも4の倍数のみ)</source>
        <translation>Cinepak cannot make pictures of the disc&apos;s movie&apos;s size (both sides must be multiples of 4)</translation>
    </message>
    <message>
        <source>ﾃﾞｨｽｸのﾑｰﾋﾞｰの音声が 8/16 ﾋﾞｯﾄ PCM でないため、動画からは作れません</source>
        <translation>the disc&apos;s movie has no 8- or 16-bit PCM sound, so it cannot be made from a video</translation>
    </message>
    <message>
        <source>%1: Cinepak への変換に失敗しました</source>
        <translation>%1: encoding to Cinepak failed</translation>
    </message>
    <message>
        <source>ﾃﾞｨｽｸからﾑｰﾋﾞｰを読み込み中</source>
        <translation>Reading the movie from the disc</translation>
    </message>
    <message>
        <source>Cinepak に変換中 (%1回目, 画質 %2%)</source>
        <translation>Encoding to Cinepak (try %1, quality %2%)</translation>
    </message>
    <message>
        <source>Cinepak に変換中</source>
        <translation>Encoding to Cinepak</translation>
    </message>
    <message>
        <source>ｱｰｶｲﾌﾞが %1 ﾊﾞｲﾄで、どちらのﾃﾞｨｽｸのものでもありません</source>
        <translation>the archive is %1 bytes, the size of neither disc&apos;s archive</translation>
    </message>
    <message>
        <source>ﾃﾞｨｽｸ%1 にﾑｰﾋﾞｰ %2 はありません</source>
        <translation>disc %1 has no movie %2</translation>
    </message>
</context>
<context>
    <name>Voices</name>
    <message>
        <source>作成するムービーファイルを選択してください。</source>
        <translation>Please select the movie files to create.</translation>
    </message>
    <message>
        <source>それでは始めましょうか、鷹見さん。</source>
        <translation>Well then, shall we begin, Takami?</translation>
    </message>
    <message>
        <source>さぁ、始めますわよ。</source>
        <translation>Come now, we shall begin.</translation>
    </message>
    <message>
        <source>%1       %2KBytes</source>
        <translation>%1       %2KBytes</translation>
    </message>
    <message>
        <source>このﾌｧｲﾙは%1です。ｻｲｽﾞは%2KBytes みたいですよ。</source>
        <translation>This file is %1. It looks like it&apos;s %2KBytes.</translation>
    </message>
    <message>
        <source>このファイルは%1、大きさはざっと%2KBytes といった所ですわ。</source>
        <translation>This file is %1, and it comes to roughly %2KBytes, I should say.</translation>
    </message>
    <message>
        <source>このファイルは%1という名前です。大きさは%2KBytes みたいですよ。</source>
        <translation>This file is called %1. It looks like it&apos;s %2KBytes.</translation>
    </message>
    <message>
        <source>%1  をリストに追加しました。</source>
        <translation>Added %1 to the list.</translation>
    </message>
    <message>
        <source>%1&#x3000;をリストに追加しますね。</source>
        <translation>I&apos;ll add %1 to the list.</translation>
    </message>
    <message>
        <source>%1&#x3000;をリストに追加してさしあげますわ。</source>
        <translation>I shall add %1 to the list for you.</translation>
    </message>
    <message>
        <source>%1  をリストから削除しました。</source>
        <translation>Removed %1 from the list.</translation>
    </message>
    <message>
        <source>%1  は消しましたよ。いいですね、鷹見さん。</source>
        <translation>I&apos;ve taken %1 off. That&apos;s all right, isn&apos;t it, Takami?</translation>
    </message>
    <message>
        <source>少尉、さっさと%1  を消してくださらないかしら。</source>
        <translation>Lieutenant, would you kindly hurry up and take %1 off?</translation>
    </message>
    <message>
        <source>メッセージを通常モードにしました。</source>
        <translation>Messages are now in normal mode.</translation>
    </message>
    <message>
        <source>これからは、わたし、鷲ノ宮あかねがご案内します。</source>
        <translation>From now on, I, Akane Washinomiya, will be your guide.</translation>
    </message>
    <message>
        <source>ようやく私の出番というわけですわね。</source>
        <translation>So my turn has come at last, has it?</translation>
    </message>
</context>
<context>
    <name>app::ExtractionRun</name>
    <message>
        <source>%1
保存先の空き容量が足りません。
必要な容量: %2 KBytes
空き容量: %3 KBytes</source>
        <translation>%1
There is not enough free space in the save folder.
Space needed: %2 KBytes
Free space: %3 KBytes</translation>
    </message>
    <message>
        <source>エラー</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>%1  を作成中です。</source>
        <translation>Creating %1...</translation>
    </message>
    <message>
        <source>%1  を読み直しています。(%2回目)</source>
        <translation>Reading %1 again (attempt %2)...</translation>
    </message>
    <message>
        <source>%1  に変換中です。</source>
        <translation>Converting to %1...</translation>
    </message>
    <message>
        <source>%1  に変換できませんでした。</source>
        <translation>Could not convert to %1.</translation>
    </message>
    <message>
        <source>ファイルの作成を中止しますか？</source>
        <translation>Stop creating the files?</translation>
    </message>
    <message>
        <source>確認</source>
        <translation>Confirm</translation>
    </message>
    <message>
        <source>ファイルの作成が終了しました。</source>
        <translation>The files have been created.</translation>
    </message>
    <message>
        <source>
変換できなかったムービー: %1</source>
        <translation>
Movies that could not be converted: %1</translation>
    </message>
    <message>
        <source>、</source>
        <comment>between titles</comment>
        <translation>, </translation>
    </message>
    <message>
        <source>終了</source>
        <translation>Done</translation>
    </message>
    <message>
        <source>終了しました。</source>
        <translation>Done.</translation>
    </message>
    <message numerus="yes">
        <source>終了しました。変換できなかったムービーが%n本あります。</source>
        <translation>
            <numerusform>Done. %n movie could not be converted.</numerusform>
            <numerusform>Done. %n movies could not be converted.</numerusform>
        </translation>
    </message>
    <message>
        <source>ｱﾌﾟﾘｹｰｼｮﾝ ｴﾗｰ</source>
        <translation>Application Error</translation>
    </message>
    <message numerus="yes">
        <source>中止しました。ムービーを%n本作成しました。</source>
        <translation>
            <numerusform>Stopped. %n movie was created.</numerusform>
            <numerusform>Stopped. %n movies were created.</numerusform>
        </translation>
    </message>
    <message>
        <source>%1  は既にあるので作成しませんでした。</source>
        <translation>%1 already exists, so it was not made.</translation>
    </message>
    <message>
        <source>
使えなかった字幕 (字幕なしで変換しました):
%1</source>
        <translation>
Subtitles that could not be used (converted without them):
%1</translation>
    </message>
</context>
<context>
    <name>app::MainMenu</name>
    <message>
        <source>ﾌｧｲﾙ(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>開く(&amp;O)</source>
        <translation>&amp;Open</translation>
    </message>
    <message>
        <source>ﾑｰﾋﾞｰﾌｧｲﾙを開きます。</source>
        <translation>Opens a movie file.</translation>
    </message>
    <message>
        <source>保存先の指定(&amp;S)</source>
        <translation>Choose &amp;Save Folder</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙの保存先を指定します。</source>
        <translation>Chooses where the files are saved.</translation>
    </message>
    <message>
        <source>ﾌﾟﾚﾋﾞｭｰ(&amp;P)...</source>
        <translation>&amp;Preview...</translation>
    </message>
    <message>
        <source>選んだﾑｰﾋﾞｰを再生します。</source>
        <translation>Plays the selected movie.</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙ作成の中止(&amp;C)</source>
        <translation>&amp;Cancel Creating Files</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙの作成を中止します。</source>
        <translation>Stops creating the files.</translation>
    </message>
    <message>
        <source>終了(&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>プログラムを終了します。</source>
        <translation>Exits the program.</translation>
    </message>
    <message>
        <source>ｵﾌﾟｼｮﾝ(&amp;O)</source>
        <translation>&amp;Options</translation>
    </message>
    <message>
        <source>AVIを出力(&amp;A)</source>
        <translation>Output &amp;AVI</translation>
    </message>
    <message>
        <source>ACPK2AVIと連携してAVIを出力します</source>
        <translation>Outputs AVI files with the help of ACPK2AVI</translation>
    </message>
    <message>
        <source>MP4を出力(&amp;P)</source>
        <translation>Output M&amp;P4</translation>
    </message>
    <message>
        <source>ﾌﾞﾗｳｻﾞやｽﾏﾎで再生できるMP4を出力します</source>
        <translation>Outputs MP4 files that browsers and phones can play</translation>
    </message>
    <message>
        <source>ﾒｯｾｰｼﾞ(&amp;M)</source>
        <translation>&amp;Messages</translation>
    </message>
    <message>
        <source>通常</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>ﾒｯｾｰｼﾞを通常表示にします。</source>
        <translation>Shows the messages plainly.</translation>
    </message>
    <message>
        <source>鷲ノ宮あかね</source>
        <translation>Akane Washinomiya</translation>
    </message>
    <message>
        <source>ﾒｯｾｰｼﾞをあかね風に変えます。</source>
        <translation>Has Akane speak the messages.</translation>
    </message>
    <message>
        <source>白鳥しおり</source>
        <translation>Shiori Shiratori</translation>
    </message>
    <message>
        <source>ﾒｯｾｰｼﾞをしおり風に変えます。</source>
        <translation>Has Shiori speak the messages.</translation>
    </message>
    <message>
        <source>言語(&amp;L)</source>
        <translation>&amp;Language</translation>
    </message>
    <message>
        <source>システムの設定に従う</source>
        <translation>System Language</translation>
    </message>
    <message>
        <source>システムの言語で表示します。</source>
        <translation>Shows the program in the system&apos;s language.</translation>
    </message>
    <message>
        <source>ﾍﾙﾌﾟ(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>ﾊﾞｰｼﾞｮﾝ情報(&amp;A)...</source>
        <translation>&amp;About...</translation>
    </message>
    <message>
        <source>このソフトのﾊﾞｰｼﾞｮﾝ情報を表示します。</source>
        <translation>Shows this program&apos;s version information.</translation>
    </message>
    <message>
        <source>MKVを出力(&amp;K)</source>
        <translation>Output &amp;MKV</translation>
    </message>
    <message>
        <source>ﾃﾞｨｽｸの映像と音声をそのまま収めたMKVを出力します</source>
        <translation>Outputs MKV files holding the disc&apos;s pictures and sound exactly as they are</translation>
    </message>
    <message>
        <source>共有用に拡大(&amp;Z)</source>
        <translation>En&amp;large for Sharing</translation>
    </message>
    <message>
        <source>等倍</source>
        <translation>Actual Size</translation>
    </message>
    <message>
        <source>MP4とMKVを元の大きさで出力します。</source>
        <translation>Outputs MP4 and MKV files at the movies&apos; own size.</translation>
    </message>
    <message>
        <source>%1倍</source>
        <translation>%1×</translation>
    </message>
    <message>
        <source>MP4とMKVの映像を%1倍にします。ﾄﾞｯﾄはぼかさず四角のまま拡大します。</source>
        <translation>Enlarges MP4 and MKV pictures %1 times, each pixel a sharp square, never blurred.</translation>
    </message>
    <message>
        <source>ﾁｪｯｸｻﾑを記録(&amp;C)</source>
        <translation>Record &amp;Checksums</translation>
    </message>
    <message>
        <source>作成したﾌｧｲﾙのSHA-256を保存先のSHA256SUMSに記録します</source>
        <translation>Records the SHA-256 of each file made in SHA256SUMS in the output folder</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙ名の付け方(&amp;N)...</source>
        <translation>File &amp;Names...</translation>
    </message>
    <message>
        <source>作成するﾌｧｲﾙの名前の付け方を指定します。</source>
        <translation>Sets how the files made are named.</translation>
    </message>
    <message>
        <source>字幕ﾌｫﾙﾀﾞ(&amp;T)...</source>
        <translation>Sub&amp;title Folder...</translation>
    </message>
    <message>
        <source>ﾑｰﾋﾞｰと同じ名前の字幕(.srt/.ass)を置いたﾌｫﾙﾀﾞを指定します。</source>
        <translation>Sets the folder holding subtitles (.srt/.ass) named like the movies.</translation>
    </message>
    <message>
        <source>字幕を %1 から読み込みます。もう一度選ぶと字幕を使いません。</source>
        <translation>Subtitles are read from %1. Choose again to use no subtitles.</translation>
    </message>
    <message>
        <source>字幕を焼き込む(&amp;B)</source>
        <translation>&amp;Burn In Subtitles</translation>
    </message>
    <message>
        <source>字幕を別のﾄﾗｯｸにせず、映像に描き込みます。</source>
        <translation>Draws the subtitles into the pictures instead of a track of their own.</translation>
    </message>
    <message>
        <source>ﾑｰﾋﾞｰの書き戻し(&amp;W)...</source>
        <translation>Put a Movie &amp;Back...</translation>
    </message>
    <message>
        <source>作り直したﾑｰﾋﾞｰや字幕を焼き込んだﾑｰﾋﾞｰを入れて、ﾃﾞｨｽｸｲﾒｰｼﾞのｺﾋﾟｰを作ります。</source>
        <translation>Makes a copy of the disc image with a re-made movie, or one with subtitles drawn in, in place of the old one.</translation>
    </message>
</context>
<context>
    <name>app::MainWindow</name>
    <message>
        <source>ムービーファイル</source>
        <translation>Movie files</translation>
    </message>
    <message>
        <source>選択したファイル</source>
        <translation>Selected files</translation>
    </message>
    <message>
        <source>全選択</source>
        <translation>All</translation>
    </message>
    <message>
        <source>全削除</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>実行</source>
        <translation>Run</translation>
    </message>
    <message>
        <source>終了</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>すでに選択されています。</source>
        <translation>That movie is already selected.</translation>
    </message>
    <message>
        <source>エラー</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>リストに追加</source>
        <translation>Add to the list</translation>
    </message>
    <message>
        <source>リストから削除</source>
        <translation>Remove from the list</translation>
    </message>
    <message>
        <source>字幕ﾌｫﾙﾀﾞ</source>
        <translation>Subtitle Folder</translation>
    </message>
</context>
<context>
    <name>app::MovieToolTips</name>
    <message>
        <source>画像なし</source>
        <translation>No picture</translation>
    </message>
</context>
<context>
    <name>dialogs::AboutDialog</name>
    <message>
        <source>バージョン情報</source>
        <translation>Version Information</translation>
    </message>
    <message>
        <source>Programmed by 開発チーム</source>
        <translation>Programmed by the development team</translation>
    </message>
    <message>
        <source>連絡先</source>
        <translation>Contact</translation>
    </message>
    <message>
        <source>ホームページ</source>
        <translation>Home page</translation>
    </message>
    <message>
        <source>readme.txt の「連絡先」へ</source>
        <translation>See &quot;Contact&quot; in readme.txt</translation>
    </message>
    <message>
        <source>感想や要望などがありましたらこのアドレスまで。</source>
        <translation>Send your comments and requests here.</translation>
    </message>
    <message>
        <source>同梱の readme.txt に記載</source>
        <translation>Given in the readme.txt that comes with it</translation>
    </message>
    <message>
        <source>最新版はここに登録されています。</source>
        <translation>The latest version is published here.</translation>
    </message>
    <message>
        <source>man hotaru-movie-cutter を参照</source>
        <translation>See man hotaru-movie-cutter</translation>
    </message>
    <message>
        <source>man hotaru-movie-cutter に記載</source>
        <translation>Given in man hotaru-movie-cutter</translation>
    </message>
</context>
<context>
    <name>dialogs::ConverterInfoWindow</name>
    <message>
        <source>cpk2avi: 本ツール開発チーム作</source>
        <translation>cpk2avi: by this tool&apos;s development team</translation>
    </message>
    <message>
        <source>最新版はこちら</source>
        <translation>Latest version</translation>
    </message>
    <message>
        <source>cpk2avi は本ツールに同梱されています</source>
        <translation>cpk2avi comes with this tool</translation>
    </message>
</context>
<context>
    <name>dialogs::ConverterLinkDialog</name>
    <message>
        <source>ACPK2AVIとの連携</source>
        <translation>Working with ACPK2AVI</translation>
    </message>
    <message>
        <source>ACPK2AVIの指定</source>
        <translation>Where ACPK2AVI is</translation>
    </message>
    <message>
        <source>参照</source>
        <translation>Browse</translation>
    </message>
    <message>
        <source>ｷｬﾝｾﾙ</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>ﾍﾙﾌﾟ</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>ACPK2AVI.exeを指定してください。</source>
        <translation>Please choose ACPK2AVI.exe.</translation>
    </message>
</context>
<context>
    <name>dialogs::NamingDialog</name>
    <message>
        <source>ﾌｧｲﾙ名の付け方</source>
        <translation>File Names</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙ名(&amp;N):</source>
        <translation>&amp;Name:</translation>
    </message>
    <message>
        <source>{title} 題名&#x3000;{title_en} 英語の題名&#x3000;{n} 番号 ({n:02} なら 01)&#x3000;{disc} ﾃﾞｨｽｸ番号</source>
        <translation>{title} title   {title_en} English title   {n} number ({n:02} gives 01)   {disc} disc number</translation>
    </message>
    <message>
        <source>同じ名前のﾌｧｲﾙがあるとき(&amp;E):</source>
        <translation>If the name is &amp;taken:</translation>
    </message>
    <message>
        <source>上書きする</source>
        <translation>Overwrite it</translation>
    </message>
    <message>
        <source>作成しない</source>
        <translation>Skip the movie</translation>
    </message>
    <message>
        <source>別の名前で作成する (「 (2)」を付ける)</source>
        <translation>Make it under another name (adding &quot; (2)&quot;)</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>ｷｬﾝｾﾙ</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>例: %1</source>
        <translation>Example: %1</translation>
    </message>
</context>
<context>
    <name>dialogs::OutputFolderDialog</name>
    <message>
        <source>保存先の指定</source>
        <translation>Choose Save Folder</translation>
    </message>
    <message>
        <source>フォルダ</source>
        <translation>Folders</translation>
    </message>
    <message>
        <source>ドライブ</source>
        <translation>Drive</translation>
    </message>
</context>
<context>
    <name>dialogs::PreviewWindow</name>
    <message>
        <source>ﾌﾟﾚﾋﾞｭｰ - %1</source>
        <translation>Preview - %1</translation>
    </message>
    <message>
        <source>読み込み中...</source>
        <translation>Loading...</translation>
    </message>
    <message>
        <source>ﾑｰﾋﾞｰを読み込めません。</source>
        <translation>The movie cannot be read.</translation>
    </message>
    <message>
        <source>音声を再生できません。映像だけを再生します。</source>
        <translation>The sound cannot be played. Playing the pictures only.</translation>
    </message>
    <message>
        <source>ﾑｰﾋﾞｰの %1 から先が壊れています。</source>
        <translation>The movie is damaged from %1 on.</translation>
    </message>
    <message>
        <source>一時停止</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>再生</source>
        <translation>Play</translation>
    </message>
</context>
<context>
    <name>dialogs::PutBackDialog</name>
    <message>
        <source>ﾑｰﾋﾞｰの書き戻し</source>
        <translation>Put a Movie Back</translation>
    </message>
    <message>
        <source>ﾑｰﾋﾞｰ(&amp;M):</source>
        <translation>&amp;Movie:</translation>
    </message>
    <message>
        <source>新しい動画か字幕(&amp;F):</source>
        <translation>New video or &amp;subtitles:</translation>
    </message>
    <message>
        <source>動画ならそのﾑｰﾋﾞｰに置き換え、字幕(.srt/.ass)ならﾃﾞｨｽｸのﾑｰﾋﾞｰに焼き込みます</source>
        <translation>A video replaces the movie; subtitles (.srt/.ass) are drawn into the disc&apos;s own movie</translation>
    </message>
    <message>
        <source>参照(&amp;R)...</source>
        <translation>B&amp;rowse...</translation>
    </message>
    <message>
        <source>ﾃﾞｨｽｸｲﾒｰｼﾞの保存先(&amp;D):</source>
        <translation>Save the &amp;disc image in:</translation>
    </message>
    <message>
        <source>参照(&amp;B)...</source>
        <translation>&amp;Browse...</translation>
    </message>
    <message>
        <source>長さの上限(&amp;L):</source>
        <translation>Longest &amp;length:</translation>
    </message>
    <message>
        <source> 秒</source>
        <translation> s</translation>
    </message>
    <message>
        <source>書き戻す(&amp;W)</source>
        <translation>&amp;Write</translation>
    </message>
    <message>
        <source>中止(&amp;C)</source>
        <translation>&amp;Cancel</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>先にﾃﾞｨｽｸかﾃﾞｨｽｸｲﾒｰｼﾞを開いてください。</source>
        <translation>Open a disc or a disc image first.</translation>
    </message>
    <message>
        <source>新しい動画か字幕</source>
        <translation>New Video or Subtitles</translation>
    </message>
    <message>
        <source>動画と字幕</source>
        <translation>Videos and subtitles</translation>
    </message>
    <message>
        <source>字幕</source>
        <translation>Subtitles</translation>
    </message>
    <message>
        <source>すべてのﾌｧｲﾙ</source>
        <translation>All files</translation>
    </message>
    <message>
        <source>ﾃﾞｨｽｸｲﾒｰｼﾞの保存先</source>
        <translation>Save the Disc Image In</translation>
    </message>
    <message>
        <source>%1 が見つかりません</source>
        <translation>%1 is not there</translation>
    </message>
    <message>
        <source>保存先のﾌｫﾙﾀﾞ %1 がありません</source>
        <translation>the folder %1 is not there</translation>
    </message>
    <message>
        <source>書き戻しました。</source>
        <translation>The movie is back in the copy.</translation>
    </message>
    <message>
        <source>画質 %1% で %2 ﾊﾞｲﾄ (元のﾑｰﾋﾞｰは %3 ﾊﾞｲﾄ)。書き込んだﾌｧｲﾙ:</source>
        <translation>Quality %1%, %2 bytes (the disc&apos;s movie: %3 bytes). Files written:</translation>
    </message>
    <message>
        <source>chdman が見つからないため、CHD は BIN/CUE で書き出しました。</source>
        <translation>No chdman was found, so the CHD was written as a BIN/CUE image.</translation>
    </message>
    <message>
        <source>中止しました。何も書き込んでいません。</source>
        <translation>Stopped. Nothing was written.</translation>
    </message>
    <message>
        <source>結果</source>
        <translation>Result</translation>
    </message>
</context>
</TS>
