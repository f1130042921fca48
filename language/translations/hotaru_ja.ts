<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP" sourcelanguage="en">
<context>
    <name>Language</name>
    <message>
        <source>built-in</source>
        <comment>the code of this translation&apos;s language</comment>
        <translation>ja</translation>
    </message>
</context>
<context>
    <name>Texts</name>
    <message>
        <source>Copy the named movies, or all, into &lt;title&gt;.cpk files.</source>
        <translation>指定したムービー (なければすべて) を &lt;題名&gt;.cpk に取り出します。</translation>
    </message>
    <message>
        <source>Write into DIR instead of the current folder.</source>
        <translation>カレントフォルダではなく DIR に保存します。</translation>
    </message>
    <message>
        <source>Convert each copy into &lt;title&gt;.avi (Cinepak, PCM).</source>
        <translation>取り出したものを &lt;題名&gt;.avi (Cinepak、PCM) に変換します。</translation>
    </message>
    <message>
        <source>Convert each copy into &lt;title&gt;.mp4 (H.264, AAC), which browsers and phones play.</source>
        <translation>取り出したものを、ブラウザやスマートフォンで再生できる &lt;題名&gt;.mp4 (H.264、AAC) に変換します。</translation>
    </message>
    <message>
        <source>The converter (default: cpk2avi beside the program).</source>
        <translation>変換プログラム (既定: 本体と同じフォルダの cpk2avi)。</translation>
    </message>
    <message>
        <source>Show this help and exit.</source>
        <translation>このヘルプを表示して終了します。</translation>
    </message>
    <message>
        <source>Show the version and exit.</source>
        <translation>バージョンを表示して終了します。</translation>
    </message>
    <message>
        <source>Exit status: 0 when everything asked for was done, 1 when something failed,
2 for bad usage or a movie the disc does not have, 130 when interrupted.</source>
        <translation>終了コード: 指示をすべて終えたら 0、何かに失敗したら 1、使い方の誤りやディスクに
ないムービーなら 2、中断されたら 130。</translation>
    </message>
    <message>
        <source>%1: %2
Try &apos;%1 --help&apos; for more information.</source>
        <translation>%1: %2
詳しくは &apos;%1 --help&apos; を見てください。</translation>
    </message>
    <message>
        <source>--%1 goes with --extract</source>
        <translation>--%1 は --extract と一緒に使います</translation>
    </message>
    <message>
        <source>one archive at most, not %1: %2</source>
        <translation>アーカイブは 1 つまでです (%1 個指定されました: %2)</translation>
    </message>
    <message>
        <source>--out needs a folder</source>
        <translation>--out にはフォルダを指定してください</translation>
    </message>
    <message>
        <source>--converter needs a program</source>
        <translation>--converter にはプログラムを指定してください</translation>
    </message>
    <message>
        <source>no CD-ROM drive found; name the archive (e.g. /media/cdrom/%1)</source>
        <translation>CD-ROM ドライブが見つかりません。アーカイブを指定してください (例: /media/cdrom/%1)</translation>
    </message>
    <message>
        <source>no CD-ROM drive holds a disc with %1; insert a disc or name the archive</source>
        <translation>%1 の入ったディスクがどの CD-ROM ドライブにもありません。ディスクを入れるか、アーカイブを指定してください</translation>
    </message>
    <message>
        <source>cannot open the archive: %1</source>
        <translation>アーカイブを開けません: %1</translation>
    </message>
    <message>
        <source>%1 is %2 bytes, the size of neither disc&apos;s archive (disc 1: %3, disc 2: %4 bytes)</source>
        <translation>%1 は %2 バイトで、どちらのディスクのアーカイブの大きさでもありません (ディスク 1: %3、ディスク 2: %4 バイト)</translation>
    </message>
    <message>
        <source>Disc %1: %2 (%3 movies)</source>
        <translation>ディスク %1: %2 (ムービー %3 本)</translation>
    </message>
    <message>
        <source>disc %1 has no movie &quot;%2&quot; (numbers 1 to %3, or a title as --list shows it)</source>
        <translation>ディスク %1 にムービー「%2」はありません (番号 1 から %3、または --list の表示どおりの題名で)</translation>
    </message>
    <message>
        <source>the output folder %1 is not a folder</source>
        <translation>保存先 %1 はフォルダではありません</translation>
    </message>
    <message>
        <source>the output folder %1 does not exist</source>
        <translation>保存先のフォルダ %1 がありません</translation>
    </message>
    <message>
        <source>the converter %1 is not installed beside the program in %2; name one with --converter PATH</source>
        <translation>変換プログラム %1 が本体と同じフォルダ %2 にありません。--converter PATH で指定してください</translation>
    </message>
    <message>
        <source>the converter %1 is not an executable file</source>
        <translation>変換プログラム %1 は実行できるファイルではありません</translation>
    </message>
    <message>
        <source>%1: re-reading a sector that failed</source>
        <translation>%1: 読めなかったセクタを読み直しています</translation>
    </message>
    <message>
        <source>%1 was not written, %2 is kept</source>
        <translation>%1 は作られませんでした。%2 は残してあります</translation>
    </message>
    <message>
        <source>%1 was not written</source>
        <translation>%1 は作られませんでした</translation>
    </message>
    <message>
        <source>%1 movies converted in %2</source>
        <translation>%1 本のムービーを %2 に変換しました</translation>
    </message>
    <message>
        <source>%1 movies written in %2</source>
        <translation>%1 本のムービーを %2 に保存しました</translation>
    </message>
    <message>
        <source>interrupted after %1 of %2 movies</source>
        <translation>%2 本中 %1 本を終えたところで中断しました</translation>
    </message>
    <message>
        <source>interrupted; %1</source>
        <translation>中断しました。%1</translation>
    </message>
    <message>
        <source>%1: not enough free space: %2 KBytes needed, %3 KBytes free; nothing was written</source>
        <translation>%1: 保存先の空き容量が足りません。必要な容量: %2 KBytes、空き容量: %3 KBytes。何も書き込んでいません</translation>
    </message>
    <message>
        <source>%1 (while writing %2)</source>
        <translation>%1 (%2 の作成中)</translation>
    </message>
    <message>
        <source>%1: %2 failed; %3 is kept</source>
        <translation>%1: %2 が失敗しました。%3 は残してあります</translation>
    </message>
    <message>
        <source>the window does not run from here</source>
        <translation>ここからはウィンドウを開けません</translation>
    </message>
    <message>
        <source>converting</source>
        <translation>変換中</translation>
    </message>
    <message>
        <source>written %1</source>
        <translation>保存 %1</translation>
    </message>
    <message>
        <source>converted %1</source>
        <translation>変換 %1</translation>
    </message>
    <message>
        <source>%1 of %2 movies failed:</source>
        <translation>%2 本中 %1 本が失敗しました:</translation>
    </message>
    <message>
        <source>%1:%2 left</source>
        <translation>残り %1:%2</translation>
    </message>
    <message>
        <source>%1  %2%3  %4 bytes  %5 KiB  %6</source>
        <translation>%1  %2%3  %4 バイト  %5 KiB  %6</translation>
    </message>
    <message>
        <source>List the disc&apos;s movies: number, title, size and length.</source>
        <translation>ディスクのムービーの一覧 (番号、題名、大きさ、長さ) を表示します。</translation>
    </message>
    <message>
        <source>Speak Japanese or English, whatever the system&apos;s language.</source>
        <translation>システムの言語によらず、日本語 (ja) か英語 (en) で表示します。</translation>
    </message>
    <message>
        <source>--lang takes ja or en</source>
        <translation>--lang には ja か en を指定してください</translation>
    </message>
    <message>
        <source>Convert each copy into &lt;title&gt;.mkv: the disc&apos;s own pictures and sound, for keeping.</source>
        <translation>コピーをそれぞれ &lt;題名&gt;.mkv に変換します。ディスクの映像と音声をそのまま保存用に収めます。</translation>
    </message>
    <message>
        <source>Enlarge MP4 and MKV pictures N times (2 to 4), each pixel a square block, for video sites (an MKV&apos;s pictures are then H.264).</source>
        <translation>MP4 と MKV の映像を N 倍 (2 から 4) に拡大します。画素は四角のまま、動画サイト向けです (このとき MKV の映像は H.264 になります)。</translation>
    </message>
    <message>
        <source>%1 and %2 cannot be combined</source>
        <translation>%1 と %2 は同時に使えません</translation>
    </message>
    <message>
        <source>--converter goes with --avi, --mp4 or --mkv</source>
        <translation>--converter は --avi、--mp4、--mkv のどれかと一緒に指定してください</translation>
    </message>
    <message>
        <source>--scale takes a whole number from 1 to 4, not %1</source>
        <translation>--scale には 1 から 4 の整数を指定してください (%1 は使えません)</translation>
    </message>
    <message>
        <source>--scale goes with --mp4 or --mkv</source>
        <translation>--scale は --mp4 か --mkv と一緒に指定してください</translation>
    </message>
    <message>
        <source>Record each file written in DIR&apos;s SHA256SUMS, for sha256sum -c to check.</source>
        <translation>書き出したファイルを DIR の SHA256SUMS に記録します (sha256sum -c で確かめられます)。</translation>
    </message>
    <message>
        <source>Name the files by TEMPLATE (default {title}): {title}, {title_en}, {n} or {n:02} (the number), {disc}.</source>
        <translation>ファイル名を TEMPLATE で付けます (既定は {title}): {title}、{title_en}、{n} か {n:02} (番号)、{disc}。</translation>
    </message>
    <message>
        <source>Where a name is taken: overwrite (default), skip, or rename to &quot;name (2)&quot;.</source>
        <translation>同じ名前のファイルがあるとき: overwrite (上書き、既定)、skip (作成しない)、rename (「名前 (2)」で作成)。</translation>
    </message>
    <message>
        <source>--name: %1</source>
        <translation>--name: %1</translation>
    </message>
    <message>
        <source>--existing takes overwrite, skip or rename, not %1</source>
        <translation>--existing には overwrite、skip、rename のどれかを指定してください (%1 は使えません)</translation>
    </message>
    <message>
        <source>%1: skipped, its files exist</source>
        <translation>%1: ファイルがあるので作成しませんでした</translation>
    </message>
    <message>
        <source>Give each MP4 or MKV the subtitles DIR holds for it, &lt;name&gt;.srt or &lt;name&gt;.ass (UTF-8 or Shift-JIS), as a track of its own.</source>
        <translation>MP4 と MKV にそれぞれ DIR にある字幕 &lt;名前&gt;.srt か &lt;名前&gt;.ass (UTF-8 か Shift-JIS) を別のトラックとして付けます。</translation>
    </message>
    <message>
        <source>Draw the subtitles into the pictures instead, for players without subtitles.</source>
        <translation>字幕をトラックにせず映像に描き込みます。字幕を表示できないプレーヤー向けです。</translation>
    </message>
    <message>
        <source>--subtitles needs a folder, not %1</source>
        <translation>--subtitles にはフォルダを指定してください (%1 はフォルダではありません)</translation>
    </message>
    <message>
        <source>--subtitles goes with --mp4 or --mkv</source>
        <translation>--subtitles は --mp4 か --mkv と一緒に指定してください</translation>
    </message>
    <message>
        <source>--burn-subtitles goes with --subtitles</source>
        <translation>--burn-subtitles は --subtitles と一緒に指定してください</translation>
    </message>
    <message>
        <source>%1: %2; %3 is made without them</source>
        <translation>%1: %2。%3 は字幕なしで作成します</translation>
    </message>
    <message>
        <source>Write into --out DIR a copy of the disc with movie N re-made from FILE: a video, or .srt/.ass subtitles drawn into the disc&apos;s own movie.</source>
        <translation>ムービー N を FILE から作り直し、ディスクのコピーを --out DIR に書き出します。FILE は動画か、ディスクのムービーに焼き込む字幕 (.srt/.ass) です。</translation>
    </message>
    <message>
        <source>With --put-back, accept a new movie of up to S seconds (default 600).</source>
        <translation>--put-back で受け付ける新しいムービーの長さの上限を S 秒にします (既定 600)。</translation>
    </message>
    <message>
        <source>Usage: %1 [ARCHIVE]
       %1 --list [ARCHIVE]
       %1 --extract [ARCHIVE] [--out DIR] [--avi|--mp4|--mkv [--scale N] [--converter PATH]]
                 [--subtitles DIR [--burn-subtitles]] [--name TEMPLATE] [--existing RULE]
                 [--checksums] [N|TITLE ...]
       %1 --put-back N FILE [ARCHIVE] --out DIR [--max-seconds S]

Copies the movies of the game&apos;s two CDs out of their archive, hotaru4, into
&lt;title&gt;.cpk files, or puts a re-made movie back into a copy of the disc. Without
--list, --extract or --put-back it opens the window, with ARCHIVE open when one
is named. ARCHIVE is hotaru4 or a disc image holding it; without ARCHIVE the
CD-ROM drives are searched. Movies are named by number (N, as --list shows it)
or by exact TITLE.

Options:</source>
        <translation>使い方: %1 [ARCHIVE]
        %1 --list [ARCHIVE]
        %1 --extract [ARCHIVE] [--out DIR] [--avi|--mp4|--mkv [--scale N] [--converter PATH]]
                  [--subtitles DIR [--burn-subtitles]] [--name TEMPLATE] [--existing RULE]
                  [--checksums] [N|TITLE ...]
        %1 --put-back N FILE [ARCHIVE] --out DIR [--max-seconds S]

ゲームの 2 枚の CD のムービーを、アーカイブ hotaru4 から &lt;題名&gt;.cpk のファイルに
取り出します。作り直したムービーをディスクのコピーに書き戻すこともできます。
--list も --extract も --put-back もなければウィンドウを開きます (ARCHIVE を
指定すればそれを開いた状態で)。ARCHIVE は hotaru4 か、それを収めたディスク
イメージです。ARCHIVE がなければ CD-ROM ドライブを探します。ムービーは番号
(N、--list の表示どおり) か、題名そのもの (TITLE) で指定します。

オプション:</translation>
    </message>
    <message>
        <source>Examples:
  %1 --extract --mkv --checksums --out ~/movies 1 2
  %1 --extract --mp4 --scale 4 --subtitles subs --name &apos;{n:02} {title_en}&apos;
  %1 --put-back 3 english.srt disc1.cue --out ~/patched
</source>
        <translation>例:
  %1 --extract --mkv --checksums --out ~/movies 1 2
  %1 --extract --mp4 --scale 4 --subtitles subs --name &apos;{n:02} {title_en}&apos;
  %1 --put-back 3 english.srt disc1.cue --out ~/patched
</translation>
    </message>
    <message>
        <source>--put-back needs the FILE the movie is made from</source>
        <translation>--put-back には、ムービーを作る元の FILE を指定してください</translation>
    </message>
    <message>
        <source>--put-back takes FILE and at most one archive, not %1</source>
        <translation>--put-back に指定できるのは FILE とアーカイブ 1 つまでです (%1 は多すぎます)</translation>
    </message>
    <message>
        <source>--put-back needs --out DIR, the folder the copy goes into</source>
        <translation>--put-back には、コピーを書き出すフォルダを --out DIR で指定してください</translation>
    </message>
    <message>
        <source>--max-seconds takes a number of seconds up to 86400, not %1</source>
        <translation>--max-seconds には 86400 までの秒数を指定してください (%1 は使えません)</translation>
    </message>
    <message>
        <source>--max-seconds goes with --put-back</source>
        <translation>--max-seconds は --put-back と一緒に指定してください</translation>
    </message>
    <message>
        <source>interrupted; nothing was written in %1</source>
        <translation>中断しました。%1 には何も書き込んでいません</translation>
    </message>
    <message>
        <source>Movie %1 (%2) is back at quality %3% (%4 of %5 bytes, tries: %6); the copy of the disc:</source>
        <translation>ムービー %1 (%2) を画質 %3% で書き戻しました (%5 バイト中 %4 バイト、試行: %6)。ディスクのコピー:</translation>
    </message>
    <message>
        <source>no chdman was found, so the CHD was written as a BIN/CUE image</source>
        <translation>chdman が見つからないため、CHD は BIN/CUE イメージで書き出しました</translation>
    </message>
</context>
</TS>
