<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>QProgressDialog</name>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>kofrex::AddReport</name>
    <message>
        <source>its stored name %1 is already in the archive</source>
        <translation>der gespeicherte Name %1 ist bereits im Archiv</translation>
    </message>
    <message>
        <source>it is not a regular file</source>
        <translation>keine reguläre Datei</translation>
    </message>
    <message>
        <source>it cannot be read</source>
        <translation>nicht lesbar</translation>
    </message>
    <message>
        <source>it is the archive itself</source>
        <translation>das Archiv selbst</translation>
    </message>
    <message>
        <source>the archive is gone or is no longer an archive that Kofrex can read</source>
        <translation>das Archiv ist verschwunden oder kein Archiv mehr, das Kofrex lesen kann</translation>
    </message>
    <message>
        <source>another program changed the archive meanwhile</source>
        <translation>ein anderes Programm hat das Archiv inzwischen geändert</translation>
    </message>
    <message>
        <source>This file was not stored:</source>
        <translation>Diese Datei wurde nicht gespeichert:</translation>
    </message>
    <message>
        <source>These files were not stored:</source>
        <translation>Diese Dateien wurden nicht gespeichert:</translation>
    </message>
    <message>
        <source>the entry is no longer in the archive</source>
        <translation>der Eintrag ist nicht mehr im Archiv</translation>
    </message>
    <message>
        <source>its stored name would be empty</source>
        <translation>der gespeicherte Name wäre leer</translation>
    </message>
    <message>
        <source>&apos;%1&apos; exists already and was left alone.</source>
        <translation>„%1“ ist bereits vorhanden und wurde nicht verändert.</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is the archive itself and was left alone: writing the entry over it would lose every other entry.</source>
        <translation>„%1“ ist das Archiv selbst und wurde nicht verändert: Den Eintrag darüberzuschreiben, würde alle anderen Einträge verlieren.</translation>
    </message>
    <message>
        <source>Not every file was extracted:</source>
        <translation>Nicht alle Dateien wurden entpackt:</translation>
    </message>
    <message>
        <source>%1 is stored as %2.</source>
        <translation>%1 wird als %2 gespeichert.</translation>
    </message>
    <message>
        <source>Stored names are upper case, in Windows-1252 and at most 15 bytes long:</source>
        <translation>Gespeicherte Namen sind in Großbuchstaben, in Windows-1252 und höchstens 15 Bytes lang:</translation>
    </message>
</context>
<context>
    <name>kofrex::ArchiveError</name>
    <message>
        <source>the disk is full. Free some space and try again.</source>
        <translation>Der Datenträger ist voll. Geben Sie Speicherplatz frei und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>your disk quota is used up. Free some space and try again.</source>
        <translation>Ihr Speicherkontingent ist aufgebraucht. Geben Sie Speicherplatz frei und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>permission denied. Choose a file and folder you may write to, or ask their owner for access.</source>
        <translation>Zugriff verweigert. Wählen Sie eine Datei und einen Ordner, in die Sie schreiben dürfen, oder bitten Sie deren Eigentümer um Zugriff.</translation>
    </message>
    <message>
        <source>the disk is mounted read-only.</source>
        <translation>Der Datenträger ist schreibgeschützt eingehängt.</translation>
    </message>
    <message>
        <source>it does not exist (it may have been moved or deleted).</source>
        <translation>Der Pfad existiert nicht (vielleicht wurde er verschoben oder gelöscht).</translation>
    </message>
    <message>
        <source>a part of the path is not a folder.</source>
        <translation>Ein Teil des Pfades ist kein Ordner.</translation>
    </message>
    <message>
        <source>it is a folder.</source>
        <translation>Es handelt sich um einen Ordner.</translation>
    </message>
    <message>
        <source>the name is longer than the file system allows.</source>
        <translation>Der Name ist länger, als das Dateisystem erlaubt.</translation>
    </message>
    <message>
        <source>the disk reported an input/output error.</source>
        <translation>Der Datenträger meldete einen Ein-/Ausgabefehler.</translation>
    </message>
    <message>
        <source>the file would be larger than this file system or your limits allow.</source>
        <translation>Die Datei würde größer werden, als dieses Dateisystem oder Ihre Grenzen erlauben.</translation>
    </message>
    <message>
        <source>Could not open %1: %2</source>
        <translation>%1 konnte nicht geöffnet werden: %2</translation>
    </message>
    <message>
        <source>Could not read %1: %2</source>
        <translation>%1 konnte nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>Could not write %1: %2</source>
        <translation>%1 konnte nicht geschrieben werden: %2</translation>
    </message>
    <message>
        <source>Could not replace %1: %2</source>
        <translation>%1 konnte nicht ersetzt werden: %2</translation>
    </message>
    <message>
        <source>Could not create a file in the folder %1: %2</source>
        <translation>Im Ordner %1 konnte keine Datei angelegt werden: %2</translation>
    </message>
    <message>
        <source>Could not write to the folder %1: %2</source>
        <translation>In den Ordner %1 konnte nicht geschrieben werden: %2</translation>
    </message>
    <message>
        <source>The archive %1 would grow past 2,147,483,647 bytes, the most a .kfx archive can hold. Store the file in another archive.</source>
        <translation>Das Archiv %1 würde größer als 2.147.483.647 Bytes werden, die Höchstgröße eines .kfx-Archivs. Speichern Sie die Datei in einem anderen Archiv.</translation>
    </message>
    <message>
        <source>The file %1 is larger than 2,147,483,647 bytes, the most a .kfx archive can hold.</source>
        <translation>Die Datei %1 ist größer als 2.147.483.647 Bytes, die Höchstgröße eines .kfx-Archivs.</translation>
    </message>
    <message>
        <source>The archive %1 is shorter than its directory says: another program has changed it. Open it again.</source>
        <translation>Das Archiv %1 ist kürzer, als sein Verzeichnis angibt: Ein anderes Programm hat es geändert. Öffnen Sie es erneut.</translation>
    </message>
    <message>
        <source>Could not write %1: it is not a regular file (a folder, a device, a pipe or a socket). Choose a file.</source>
        <translation>%1 konnte nicht geschrieben werden: Es ist keine reguläre Datei (ein Ordner, ein Gerät, eine Pipe oder ein Socket). Wählen Sie eine Datei.</translation>
    </message>
    <message>
        <source>Kofrex leaves %1 unchanged: it has other hard links, which replacing it would split from it. Copy it to a file of its own first.</source>
        <translation>Kofrex lässt %1 unverändert: Die Datei hat weitere harte Links, die beim Ersetzen von ihr getrennt würden. Kopieren Sie sie zuerst in eine eigene Datei.</translation>
    </message>
    <message>
        <source>Kofrex does not follow the link %1: it belongs to another user and lies in a folder that every user may write to, where anyone can plant a link. Choose another name.</source>
        <translation>Kofrex folgt der Verknüpfung %1 nicht: Sie gehört einem anderen Benutzer und liegt in einem Ordner, in den jeder Benutzer schreiben darf und in dem jeder eine Verknüpfung anlegen kann. Wählen Sie einen anderen Namen.</translation>
    </message>
    <message>
        <source>Could not replace %1: in the folder %2 only the file&apos;s owner or the folder&apos;s owner may replace it. Copy it to a folder of your own first.</source>
        <translation>%1 konnte nicht ersetzt werden: Im Ordner %2 dürfen nur der Eigentümer der Datei oder der des Ordners sie ersetzen. Kopieren Sie sie zuerst in einen eigenen Ordner.</translation>
    </message>
    <message>
        <source>Could not replace %1: you may not create files in the folder %2. Copy it to a folder of your own first.</source>
        <translation>%1 konnte nicht ersetzt werden: Sie dürfen im Ordner %2 keine Dateien anlegen. Kopieren Sie sie zuerst in einen eigenen Ordner.</translation>
    </message>
    <message>
        <source>Kofrex leaves %1 unchanged: it belongs to another user, and adding to it would make it yours. Ask its owner to add the file, or copy the archive first.</source>
        <translation>Kofrex lässt %1 unverändert: Das Archiv gehört einem anderen Benutzer, und durch das Hinzufügen würde es Ihnen gehören. Bitten Sie den Eigentümer, die Datei hinzuzufügen, oder kopieren Sie das Archiv zuerst.</translation>
    </message>
    <message>
        <source>The archive %1 was replaced by another program while Kofrex was adding to it, so nothing was added. Its list has been read again; add the file once more.</source>
        <translation>Das Archiv %1 wurde von einem anderen Programm ersetzt, während Kofrex hinzufügte; daher wurde nichts hinzugefügt. Seine Liste wurde neu eingelesen; fügen Sie die Datei noch einmal hinzu.</translation>
    </message>
    <message>
        <source>Kofrex cannot add to %1: an entry&apos;s data lie inside the archive&apos;s directory, which an add would change. Extract its files and store them in a new archive.</source>
        <translation>Kofrex kann %1 nichts hinzufügen: Die Daten eines Eintrags liegen im Verzeichnis des Archivs, das beim Hinzufügen geändert würde. Entpacken Sie seine Dateien und speichern Sie sie in einem neuen Archiv.</translation>
    </message>
    <message>
        <source>Could not create the folder %1: %2</source>
        <translation>Der Ordner %1 konnte nicht angelegt werden: %2</translation>
    </message>
    <message>
        <source>Kofrex leaves %1 unchanged: it is the archive the entries are read from, and writing an entry over it would lose every other entry.</source>
        <translation>Kofrex lässt %1 unverändert: Es ist das Archiv, aus dem die Einträge gelesen werden, und einen Eintrag darüberzuschreiben, würde alle anderen Einträge verlieren.</translation>
    </message>
</context>
<context>
    <name>kofrex::CommandLine</name>
    <message>
        <source>There is no file &apos;%1&apos;.</source>
        <translation>Es gibt keine Datei „%1“.</translation>
    </message>
    <message>
        <source>The file &apos;%1&apos; cannot be read.</source>
        <translation>Die Datei „%1“ kann nicht gelesen werden.</translation>
    </message>
    <message>
        <source>No entry is stored as &apos;%1&apos;.</source>
        <translation>Kein Eintrag ist als „%1“ gespeichert.</translation>
    </message>
    <message>
        <source>The list could not be written.</source>
        <translation>Die Liste konnte nicht ausgegeben werden.</translation>
    </message>
    <message>
        <source>The text could not be written.</source>
        <translation>Der Text konnte nicht ausgegeben werden.</translation>
    </message>
    <message>
        <source>Adding</source>
        <translation>Hinzufügen</translation>
    </message>
    <message>
        <source>Cancelled: the archive is as it was.</source>
        <translation>Abgebrochen: Das Archiv ist unverändert.</translation>
    </message>
    <message>
        <source>Extracting</source>
        <translation>Entpacken</translation>
    </message>
    <message>
        <source>Cancelled: the files written so far are kept, none in part.</source>
        <translation>Abgebrochen: Die bereits geschriebenen Dateien bleiben erhalten, keine davon unvollständig.</translation>
    </message>
    <message>
        <source>&apos;%1&apos; exists already and was left alone (--overwrite replaces it).</source>
        <translation>„%1“ ist bereits vorhanden und wurde nicht verändert (--overwrite ersetzt es).</translation>
    </message>
    <message>
        <source>The archive &apos;%1&apos; changed while it was read; nothing was written.</source>
        <translation>Das Archiv „%1“ hat sich beim Lesen geändert; es wurde nichts geschrieben.</translation>
    </message>
    <message>
        <source>List the entries of ARCHIVE: stored name, size and 1-based offset, tab-separated, one entry a line.</source>
        <translation>Listet die Einträge von ARCHIV auf: gespeicherter Name, Größe und Position ab 1, durch Tabulatoren getrennt, ein Eintrag pro Zeile.</translation>
    </message>
    <message>
        <source>With --list: a JSON array of {&quot;name&quot;, &quot;size&quot;, &quot;offset&quot;} instead.</source>
        <translation>Mit --list: stattdessen ein JSON-Array aus {&quot;name&quot;, &quot;size&quot;, &quot;offset&quot;}.</translation>
    </message>
    <message>
        <source>Store each FILE in &lt;archive&gt;, in one rewrite; the archive is created when nothing is there. Each file not stored is named with the reason.</source>
        <translation>Speichert jede DATEI in &lt;archive&gt;, in einem Durchgang; das Archiv wird angelegt, wenn dort nichts ist. Jede nicht gespeicherte Datei wird mit dem Grund genannt.</translation>
    </message>
    <message>
        <source>Write every entry of ARCHIVE, or those stored as the NAMEs (case and padding ignored), into &lt;folder&gt;, created with its parents when missing, under safe file names. Files already there are left alone.</source>
        <translation>Schreibt jeden Eintrag von ARCHIV oder die als NAME gespeicherten (ohne Rücksicht auf Groß-/Kleinschreibung und Füllzeichen) in &lt;folder&gt;, der samt übergeordneten Ordnern angelegt wird, wenn er fehlt, unter sicheren Dateinamen. Bereits vorhandene Dateien bleiben unverändert.</translation>
    </message>
    <message>
        <source>The archive to open when the window starts.</source>
        <translation>Das Archiv, das beim Start des Fensters geöffnet wird.</translation>
    </message>
    <message>
        <source>--list takes one archive.</source>
        <translation>--list erwartet ein Archiv.</translation>
    </message>
    <message>
        <source>--add-to takes the archive and at least one file.</source>
        <translation>--add-to erwartet das Archiv und mindestens eine Datei.</translation>
    </message>
    <message>
        <source>--extract-to takes the folder and the archive.</source>
        <translation>--extract-to erwartet den Ordner und das Archiv.</translation>
    </message>
    <message>
        <source>--json goes with --list.</source>
        <translation>--json gehört zu --list.</translation>
    </message>
    <message>
        <source>Name one archive at most.</source>
        <translation>Nennen Sie höchstens ein Archiv.</translation>
    </message>
    <message>
        <source>Waiting for another program to finish with the archive (Ctrl+C cancels)</source>
        <translation>Warten, bis ein anderes Programm mit dem Archiv fertig ist (Strg+C bricht ab)</translation>
    </message>
    <message>
        <source>No entry of &apos;%1&apos; lies whole in it: nothing was recovered.</source>
        <translation>Kein Eintrag von „%1“ ist darin vollständig: Es wurde nichts gerettet.</translation>
    </message>
    <message>
        <source>Write every entry of the damaged ARCHIVE whose data lie whole in it into &lt;folder&gt;, as --extract-to writes them all, and name each entry that could not be recovered, and why.</source>
        <translation>Schreibt jeden Eintrag des beschädigten ARCHIVS, dessen Daten vollständig darin liegen, in &lt;folder&gt;, wie --extract-to alle schreibt, und nennt jeden Eintrag, der nicht gerettet werden konnte, mit dem Grund.</translation>
    </message>
    <message>
        <source>--salvage-to takes the folder and one archive.</source>
        <translation>--salvage-to erwartet den Ordner und ein Archiv.</translation>
    </message>
    <message>
        <source>Extracting %1…</source>
        <translation>%1 wird entpackt…</translation>
    </message>
    <message>
        <source>Adding to %1…</source>
        <translation>Hinzufügen zu %1…</translation>
    </message>
    <message>
        <source>Write every entry of each ARCHIVE beside it: a single entry into the archive&apos;s folder, several into a folder named after the archive.</source>
        <translation>Schreibt jeden Eintrag jedes ARCHIVS daneben: einen einzelnen Eintrag in den Ordner des Archivs, mehrere in einen nach dem Archiv benannten Ordner.</translation>
    </message>
    <message>
        <source>Ask for the archive to store each FILE in, proposing one named after the first file (after their folder for several).</source>
        <translation>Fragt nach dem Archiv, in dem jede DATEI gespeichert wird, und schlägt eines vor, das nach der ersten Datei benannt ist (bei mehreren nach ihrem Ordner).</translation>
    </message>
    <message>
        <source>Ask for the folder to write every entry of each ARCHIVE into.</source>
        <translation>Fragt nach dem Ordner, in den jeder Eintrag jedes ARCHIVS geschrieben wird.</translation>
    </message>
    <message>
        <source>With --extract-to, --extract-here or --salvage-to: replace files already there.</source>
        <translation>Mit --extract-to, --extract-here oder --salvage-to: bereits vorhandene Dateien ersetzen.</translation>
    </message>
    <message>
        <source>--extract-here takes at least one archive.</source>
        <translation>--extract-here erwartet mindestens ein Archiv.</translation>
    </message>
    <message>
        <source>Give one of --list, --add-to, --extract-to, --salvage-to, --extract-here, --add and --extract.</source>
        <translation>Geben Sie eines von --list, --add-to, --extract-to, --salvage-to, --extract-here, --add und --extract an.</translation>
    </message>
    <message>
        <source>--add and --extract take at least one file.</source>
        <translation>--add und --extract erwarten mindestens eine Datei.</translation>
    </message>
    <message>
        <source>--overwrite goes with --extract-to, --extract-here or --salvage-to.</source>
        <translation>--overwrite gehört zu --extract-to, --extract-here oder --salvage-to.</translation>
    </message>
    <message>
        <source>Packs files into one .kfx archive and extracts them.

Without a command it opens the window, with the archive named. These commands work
without a window or a display, for scripts and file managers:
  kofrex --list [--json] ARCHIVE
  kofrex --add-to ARCHIVE FILE...
  kofrex --extract-to FOLDER [--overwrite] ARCHIVE [NAME...]
  kofrex --salvage-to FOLDER [--overwrite] ARCHIVE
  kofrex --extract-here [--overwrite] ARCHIVE...
These ask first, in the desktop&apos;s file chooser, for file managers&apos; actions:
  kofrex --add FILE...
  kofrex --extract ARCHIVE...
Started from a desktop without a terminal, the commands show their progress in a
window and what they left out in a message.
On a terminal, long work shows its progress and Ctrl+C cancels it, leaving the
archive as it was. Exit status: 0 when everything asked was done, 1 when the
command line is wrong or anything failed or was left out (each named on stderr).</source>
        <translation>Packt Dateien in ein .kfx-Archiv und entpackt sie.

Ohne Befehl öffnet es das Fenster, mit dem genannten Archiv. Diese Befehle arbeiten
ohne Fenster oder Anzeige, für Skripte und Dateimanager:
  kofrex --list [--json] ARCHIV
  kofrex --add-to ARCHIV DATEI...
  kofrex --extract-to ORDNER [--overwrite] ARCHIV [NAME...]
  kofrex --salvage-to ORDNER [--overwrite] ARCHIV
  kofrex --extract-here [--overwrite] ARCHIV...
Diese fragen zuerst, in der Dateiauswahl der Arbeitsumgebung, für Aktionen von Dateimanagern:
  kofrex --add DATEI...
  kofrex --extract ARCHIV...
Ohne Terminal aus der Arbeitsumgebung gestartet, zeigen die Befehle ihren Fortschritt in einem
Fenster und in einer Meldung, was sie ausgelassen haben.
Im Terminal zeigt längere Arbeit ihren Fortschritt, und Strg+C bricht sie ab, wobei das
Archiv unverändert bleibt. Rückgabewert: 0, wenn alles Verlangte erledigt wurde, 1, wenn die
Befehlszeile falsch ist oder etwas fehlschlug oder ausgelassen wurde (jeweils auf stderr genannt).</translation>
    </message>
</context>
<context>
    <name>kofrex::Damage</name>
    <message>
        <source>&apos;%1&apos; was not recovered. %2</source>
        <translation>„%1“ wurde nicht gerettet. %2</translation>
    </message>
    <message>
        <source>It is not a regular file but a pipe, a device or a socket.</source>
        <translation>Es ist keine reguläre Datei, sondern eine Pipe, ein Gerät oder ein Socket.</translation>
    </message>
    <message>
        <source>It is shorter than the 9 bytes of an archive&apos;s header.</source>
        <translation>Sie ist kürzer als die 9 Bytes des Kopfes eines Archivs.</translation>
    </message>
    <message>
        <source>It does not start with the signature KFRX.</source>
        <translation>Sie beginnt nicht mit der Kennung KFRX.</translation>
    </message>
    <message>
        <source>It is of version %1; Kofrex reads version 1.</source>
        <translation>Sie hat die Version %1; Kofrex liest Version 1.</translation>
    </message>
    <message>
        <source>Its header promises %1 entries, a negative number.</source>
        <translation>Ihr Kopf verspricht %1 Einträge, eine negative Zahl.</translation>
    </message>
    <message>
        <source>Its directory runs past the end of the file: %1 entries promised, %2 fit.</source>
        <translation>Ihr Verzeichnis reicht über das Dateiende hinaus: %1 Einträge versprochen, %2 passen hinein.</translation>
    </message>
    <message>
        <source>The data of entry %1 start at position %2, before the file&apos;s first byte.</source>
        <translation>Die Daten von Eintrag %1 beginnen an Position %2, vor dem ersten Byte der Datei.</translation>
    </message>
    <message>
        <source>Entry %1 has a negative size, %2 bytes.</source>
        <translation>Eintrag %1 hat eine negative Größe, %2 Bytes.</translation>
    </message>
    <message>
        <source>The data of entry %1 run past the end of the file; bytes missing: %2.</source>
        <translation>Die Daten von Eintrag %1 reichen über das Dateiende hinaus; fehlende Bytes: %2.</translation>
    </message>
</context>
<context>
    <name>kofrex::QtMessageBox</name>
    <message>
        <source>Open Folder</source>
        <translation>Ordner öffnen</translation>
    </message>
    <message>
        <source>Open With…</source>
        <translation>Öffnen mit…</translation>
    </message>
</context>
<context>
    <name>kofrex::WorkProgress</name>
    <message>
        <source>Waiting for another program to finish with the archive…</source>
        <translation>Warten, bis ein anderes Programm mit dem Archiv fertig ist…</translation>
    </message>
</context>
<context>
    <name>kofrex::frmMain</name>
    <message>
        <source>Extract all files to...</source>
        <translation>Alle Dateien entpacken nach…</translation>
    </message>
    <message>
        <source>Replace with...</source>
        <translation>Ersetzen durch…</translation>
    </message>
    <message>
        <source>All files (*.*)|*.*</source>
        <translation>Alle Dateien (*.*)|*.*</translation>
    </message>
    <message>
        <source>The file &apos;%1&apos; already exists. Overwrite it?</source>
        <translation>Die Datei „%1“ ist bereits vorhanden. Soll sie überschrieben werden?</translation>
    </message>
    <message>
        <source>Overwrite</source>
        <translation>Überschreiben</translation>
    </message>
    <message>
        <source>Extracting %1 files…</source>
        <translation>%1 Dateien werden entpackt…</translation>
    </message>
    <message>
        <source>Opening %1…</source>
        <translation>%1 wird geöffnet…</translation>
    </message>
    <message>
        <source>Extracting %1…</source>
        <translation>%1 wird entpackt…</translation>
    </message>
    <message>
        <source>No program could be found to open &apos;%1&apos;.</source>
        <translation>Es wurde kein Programm gefunden, um „%1“ zu öffnen.</translation>
    </message>
    <message>
        <source>Delete &apos;%1&apos; from the archive?</source>
        <translation>„%1“ aus dem Archiv löschen?</translation>
    </message>
    <message>
        <source>Deleting %1…</source>
        <translation>%1 wird gelöscht…</translation>
    </message>
    <message>
        <source>Nothing was deleted: the archive is gone or is no longer an archive that Kofrex can read.</source>
        <translation>Es wurde nichts gelöscht: Das Archiv ist verschwunden oder kein Archiv mehr, das Kofrex lesen kann.</translation>
    </message>
    <message>
        <source>New name for &apos;%1&apos;:</source>
        <translation>Neuer Name für „%1“:</translation>
    </message>
    <message>
        <source>Rename</source>
        <translation>Umbenennen</translation>
    </message>
    <message>
        <source>Renaming %1…</source>
        <translation>%1 wird umbenannt…</translation>
    </message>
    <message>
        <source>Nothing was renamed: the stored name %1 is already in the archive.</source>
        <translation>Es wurde nichts umbenannt: Der gespeicherte Name %1 ist bereits im Archiv.</translation>
    </message>
    <message>
        <source>Replacing %1…</source>
        <translation>%1 wird ersetzt…</translation>
    </message>
    <message>
        <source>Error %1: %2</source>
        <translation>Fehler %1: %2</translation>
    </message>
    <message>
        <source>Out of memory</source>
        <translation>Nicht genügend Arbeitsspeicher</translation>
    </message>
    <message>
        <source>An unexpected error occurred</source>
        <translation>Ein unerwarteter Fehler ist aufgetreten</translation>
    </message>
    <message>
        <source>Kofrex Archives (*.kfx)|*.kfx|All files (*.*)|*.*</source>
        <translation>Kofrex-Archive (*.kfx)|*.kfx|Alle Dateien (*.*)|*.*</translation>
    </message>
    <message>
        <source>New archive...</source>
        <translation>Neues Archiv…</translation>
    </message>
    <message>
        <source>Open archive...</source>
        <translation>Archiv öffnen…</translation>
    </message>
    <message>
        <source>Extract file from archive...</source>
        <translation>Datei aus dem Archiv entpacken…</translation>
    </message>
    <message>
        <source>&amp;Extract...</source>
        <translation>&amp;Entpacken…</translation>
    </message>
    <message>
        <source>Chunk info</source>
        <translation>Angaben zum Eintrag</translation>
    </message>
    <message>
        <source>Offset:</source>
        <translation>Position:</translation>
    </message>
    <message>
        <source>Size:</source>
        <translation>Größe:</translation>
    </message>
    <message>
        <source>&amp;New Archive...</source>
        <translation>&amp;Neues Archiv…</translation>
    </message>
    <message>
        <source>&amp;Add...</source>
        <translation>&amp;Hinzufügen…</translation>
    </message>
    <message>
        <source>Files in archive:</source>
        <translation>Dateien im Archiv:</translation>
    </message>
    <message>
        <source>Archive name:</source>
        <translation>Archivname:</translation>
    </message>
    <message>
        <source>Extract…</source>
        <translation>Entpacken…</translation>
    </message>
    <message>
        <source>Extract All…</source>
        <translation>Alle entpacken…</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>Replace With…</source>
        <translation>Ersetzen durch…</translation>
    </message>
    <message>
        <source>Rename…</source>
        <translation>Umbenennen…</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Kofrex - by Quorvane</source>
        <translation>Kofrex – von Quorvane</translation>
    </message>
    <message>
        <source>Open archive</source>
        <translation>Archiv öffnen</translation>
    </message>
    <message>
        <source>Size: </source>
        <translation>Größe: </translation>
    </message>
    <message>
        <source>Offset: </source>
        <translation>Position: </translation>
    </message>
    <message>
        <source>Creating %1…</source>
        <translation>%1 wird angelegt…</translation>
    </message>
    <message>
        <source>The file &apos;%1&apos; is not an archive that Kofrex can read.</source>
        <translation>Die Datei „%1“ ist kein Archiv, das Kofrex lesen kann.</translation>
    </message>
    <message>
        <source>Select a file that you would like to extract first.</source>
        <translation>Wählen Sie zuerst eine Datei aus, die Sie entpacken möchten.</translation>
    </message>
    <message>
        <source>A file cannot be extracted onto the archive itself.</source>
        <translation>Eine Datei kann nicht auf das Archiv selbst entpackt werden.</translation>
    </message>
    <message>
        <source>The archive has changed since it was opened. Its list has been read again; select the file once more.</source>
        <translation>Das Archiv hat sich seit dem Öffnen geändert. Seine Liste wurde neu eingelesen; wählen Sie die Datei noch einmal aus.</translation>
    </message>
    <message>
        <source>Size: %1 bytes</source>
        <translation>Größe: %1 Bytes</translation>
    </message>
    <message>
        <source>Offset: %1</source>
        <translation>Position: %1</translation>
    </message>
    <message>
        <source>Adding %1…</source>
        <translation>%1 wird hinzugefügt…</translation>
    </message>
    <message>
        <source>Adding %1 files…</source>
        <translation>%1 Dateien werden hinzugefügt…</translation>
    </message>
    <message>
        <source>Nothing was renamed: &apos;%1&apos; gives no stored name.</source>
        <translation>Es wurde nichts umbenannt: „%1“ ergibt keinen gespeicherten Namen.</translation>
    </message>
    <message>
        <source>%1 of %2 entries are whole. Extract them to a folder?</source>
        <translation>%1 von %2 Einträgen sind vollständig. Sollen sie in einen Ordner entpackt werden?</translation>
    </message>
    <message>
        <source>Extracted to %1: %2 of %3 files.</source>
        <translation>Entpackt nach %1: %2 von %3 Dateien.</translation>
    </message>
    <message>
        <source>Open archive (Ctrl+O)</source>
        <translation>Archiv öffnen (Strg+O)</translation>
    </message>
    <message>
        <source>Create a new archive (Ctrl+N)</source>
        <translation>Neues Archiv anlegen (Strg+N)</translation>
    </message>
    <message>
        <source>Add files to the archive (Alt+A)</source>
        <translation>Dateien zum Archiv hinzufügen (Alt+H)</translation>
    </message>
    <message>
        <source>Extract the selected file (Alt+E)</source>
        <translation>Die ausgewählte Datei entpacken (Alt+E)</translation>
    </message>
    <message>
        <source>The archive &apos;%1&apos; is gone: another program has moved or deleted it.</source>
        <translation>Das Archiv „%1“ ist verschwunden: Ein anderes Programm hat es verschoben oder gelöscht.</translation>
    </message>
    <message>
        <source>%1 - Kofrex - by Quorvane</source>
        <translation>%1 – Kofrex – von Quorvane</translation>
    </message>
    <message>
        <source>Extract the selected files to...</source>
        <translation>Ausgewählte Dateien entpacken nach…</translation>
    </message>
    <message>
        <source>Open %1 files, each in its own program?</source>
        <translation>%1 Dateien öffnen, jede in ihrem eigenen Programm?</translation>
    </message>
    <message>
        <source>Delete %1 files from the archive?</source>
        <translation>%1 Dateien aus dem Archiv löschen?</translation>
    </message>
    <message>
        <source>Deleting %1 files…</source>
        <translation>%1 Dateien werden gelöscht…</translation>
    </message>
    <message>
        <source>Stored as: %1</source>
        <translation>Gespeichert als: %1</translation>
    </message>
    <message>
        <source>&apos;%1&apos; was changed. Update it in the archive?</source>
        <translation>„%1“ wurde geändert. Soll es im Archiv aktualisiert werden?</translation>
    </message>
    <message>
        <source>Updating %1…</source>
        <translation>%1 wird aktualisiert…</translation>
    </message>
    <message>
        <source>&apos;%1&apos; could not be updated: another program changed the archive meanwhile, and its list has been read again. The edited file is kept at %2 until Kofrex closes.</source>
        <translation>„%1“ konnte nicht aktualisiert werden: Ein anderes Programm hat das Archiv inzwischen geändert, und seine Liste wurde neu eingelesen. Die bearbeitete Datei bleibt unter %2 erhalten, bis Kofrex beendet wird.</translation>
    </message>
    <message>
        <source>The edited file is kept at %1 until Kofrex closes.</source>
        <translation>Die bearbeitete Datei bleibt unter %1 erhalten, bis Kofrex beendet wird.</translation>
    </message>
    <message>
        <source>Add to Kofrex archive</source>
        <translation>Zu Kofrex-Archiv hinzufügen</translation>
    </message>
    <message>
        <source>Open with...</source>
        <translation>Öffnen mit…</translation>
    </message>
    <message>
        <source>&apos;%1&apos; cannot be run: it is not a program. Choose a program file, such as one in %2.</source>
        <translation>„%1“ kann nicht ausgeführt werden: Es ist kein Programm. Wählen Sie eine Programmdatei, etwa eine in %2.</translation>
    </message>
    <message>
        <source>&apos;%1&apos; could not be started.</source>
        <translation>„%1“ konnte nicht gestartet werden.</translation>
    </message>
</context>
</TS>
