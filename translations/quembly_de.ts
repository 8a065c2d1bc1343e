<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>CommandLine</name>
    <message>
        <source>Error: file not found: </source>
        <translation>Fehler: Datei nicht gefunden: </translation>
    </message>
    <message>
        <source>option &apos;%1&apos; needs a value</source>
        <translation>Option &apos;%1&apos; braucht einen Wert</translation>
    </message>
    <message>
        <source>the compression level must be a number from 0 to 9, not &apos;%1&apos;</source>
        <translation>die Kompressionsstufe muss eine Zahl von 0 bis 9 sein, nicht &apos;%1&apos;</translation>
    </message>
    <message>
        <source>unknown option &apos;%1&apos;</source>
        <translation>unbekannte Option &apos;%1&apos;</translation>
    </message>
    <message>
        <source>option &apos;%1&apos; does not apply to %2</source>
        <translation>Option &apos;%1&apos; gilt nicht für %2</translation>
    </message>
    <message>
        <source>no command given (one of --list, --add, --extract, --delete)</source>
        <translation>kein Befehl angegeben (einer von --list, --add, --extract, --delete)</translation>
    </message>
    <message>
        <source>%1 needs an archive</source>
        <translation>%1 braucht ein Archiv</translation>
    </message>
    <message>
        <source>the archive name is empty</source>
        <translation>der Archivname ist leer</translation>
    </message>
    <message>
        <source>unexpected argument &apos;%1&apos;</source>
        <translation>unerwartetes Argument &apos;%1&apos;</translation>
    </message>
    <message>
        <source>No files selected</source>
        <translation>Keine Dateien ausgewählt</translation>
    </message>
    <message>
        <source>--extract needs a destination folder</source>
        <translation>--extract braucht einen Zielordner</translation>
    </message>
    <message>
        <source>Error - no files selected</source>
        <translation>Fehler – keine Dateien ausgewählt</translation>
    </message>
    <message>
        <source>Wrong or missing password</source>
        <translation>Falsches oder fehlendes Passwort</translation>
    </message>
    <message>
        <source>Error - this pgm can NOT add files to a self-extracting archive</source>
        <translation>Fehler – dieses Programm kann einem selbstentpackenden Archiv KEINE Dateien hinzufügen</translation>
    </message>
    <message>
        <source>Error - not an archive file: </source>
        <translation>Fehler – keine Archivdatei: </translation>
    </message>
    <message>
        <source>Error in Add; Fatal DLL Exception in mainunit</source>
        <translation>Fehler beim Hinzufügen; schwerer DLL-Fehler im Hauptmodul</translation>
    </message>
    <message>
        <source> files were added</source>
        <translation> Dateien wurden hinzugefügt</translation>
    </message>
    <message>
        <source>Error - not a folder: </source>
        <translation>Fehler – kein Ordner: </translation>
    </message>
    <message>
        <source>Error - folder not found: </source>
        <translation>Fehler – Ordner nicht gefunden: </translation>
    </message>
    <message>
        <source>Error - cannot create folder: </source>
        <translation>Fehler – Ordner kann nicht angelegt werden: </translation>
    </message>
    <message>
        <source>Warning: </source>
        <translation>Warnung: </translation>
    </message>
    <message>
        <source> Extracting the entries the archive&apos;s central directory names.</source>
        <translation> Entpackt werden die Einträge, die das zentrale Verzeichnis des Archivs nennt.</translation>
    </message>
    <message>
        <source>Error - no files to extract</source>
        <translation>Fehler – keine Dateien zum Entpacken</translation>
    </message>
    <message>
        <source>Error in Extract; Fatal DLL Exception in mainunit</source>
        <translation>Fehler beim Entpacken; schwerer DLL-Fehler im Hauptmodul</translation>
    </message>
    <message>
        <source> files were extracted</source>
        <translation> Dateien wurden entpackt</translation>
    </message>
    <message>
        <source>Error - this pgm can NOT delete files from a self-extracting archive</source>
        <translation>Fehler – dieses Programm kann aus einem selbstentpackenden Archiv KEINE Dateien löschen</translation>
    </message>
    <message>
        <source>Error - no files to delete</source>
        <translation>Fehler – keine Dateien zum Löschen</translation>
    </message>
    <message>
        <source>Fatal error trying to delete</source>
        <translation>Schwerer Fehler beim Löschen</translation>
    </message>
    <message>
        <source> files were Deleted</source>
        <translation> Dateien wurden gelöscht</translation>
    </message>
    <message>
        <source>only one of --list, --add, --extract, --delete, --test, --help and --version may be given</source>
        <translation>nur eines von --list, --add, --extract, --delete, --test, --help und --version ist erlaubt</translation>
    </message>
    <message>
        <source>unknown encryption method &apos;%1&apos;</source>
        <translation>unbekanntes Verschlüsselungsverfahren &apos;%1&apos;</translation>
    </message>
    <message>
        <source>--password and --password-file cannot both be given</source>
        <translation>--password und --password-file können nicht beide angegeben werden</translation>
    </message>
    <message>
        <source>--password-file and --archive-password-file cannot both read standard input</source>
        <translation>--password-file und --archive-password-file können nicht beide die Standardeingabe lesen</translation>
    </message>
    <message>
        <source>Wrong password for %1</source>
        <translation>Falsches Passwort für %1</translation>
    </message>
    <message>
        <source>Password for %1: </source>
        <translation>Passwort für %1: </translation>
    </message>
    <message>
        <source>Password again: </source>
        <translation>Passwort wiederholen: </translation>
    </message>
    <message>
        <source>The passwords do not match</source>
        <translation>Die Passwörter stimmen nicht überein</translation>
    </message>
    <message>
        <source>--encrypt needs a password: give --archive-password-file FILE, or run in a terminal</source>
        <translation>--encrypt braucht ein Passwort: --archive-password-file FILE angeben oder im Terminal aufrufen</translation>
    </message>
    <message>
        <source>Cannot read the password file %1</source>
        <translation>Die Passwortdatei %1 kann nicht gelesen werden</translation>
    </message>
    <message>
        <source>--verbose and --quiet exclude each other</source>
        <translation>--verbose und --quiet schließen einander aus</translation>
    </message>
    <message>
        <source>Usage: quembly [ARCHIVE]
       quembly --list ARCHIVE [--encoding NAME]
       quembly --add ARCHIVE [--recurse] [--dirnames] [--level N] [--password PW]
                 [--encrypt[=zipcrypto]] [--archive-password-file FILE] PATH...
       quembly --extract ARCHIVE FOLDER [--dirnames] [--no-overwrite] [--password PW]
                 [--archive-password-file FILE] [--encoding NAME] [NAME...]
       quembly --delete ARCHIVE [--password PW] [--encoding NAME] NAME...
       quembly --test ARCHIVE [--password PW] [--archive-password-file FILE]
                 [--encoding NAME] [NAME...]
       quembly --help | --version

Without a command Quembly opens its window, showing ARCHIVE when one is given.

Commands:
  --list           print one line per entry: name, compressed size, uncompressed size
                   and date/time, separated by tabs
  --add            add the files PATH... to ARCHIVE, creating ARCHIVE when it does not exist
  --extract        extract every entry, or the entries NAME..., into FOLDER; FOLDER is
                   created when it does not exist but its parent folder does
  --delete         delete the entries NAME... from ARCHIVE
  --test           read every entry, or the entries NAME..., and check its CRC without
                   writing anything; names each entry that failed and why, then prints
                   &quot;N files tested, M failed&quot; (exit status 1 when any failed)
  --help           show this text
  --version        show the program&apos;s version

Options:
  --recurse        (--add) also add the files in named folders and their subfolders
  --dirnames       (--add) store folder names; (--extract) recreate the stored folders
  --level N        (--add) compression level from 0 (store only) to 9 (best, the default)
  --no-overwrite   (--extract) keep files that already exist in FOLDER; by default they
                   are replaced
  --password PW    the access password; --add, --extract, --delete and --test need it
                   when one is set in the settings (other users can see it in the list
                   of processes: prefer --password-file)
  --password-file FILE
                   the access password is the first line of FILE (&quot;-&quot;: standard input)
  --archive-password-file FILE
                   (--add, --extract, --test) the archive&apos;s own password, which encrypts
                   its entries, is the first line of FILE (&quot;-&quot;: standard input); without
                   it Quembly asks on a terminal when an encrypted entry needs it
  --encrypt[=zipcrypto]
                   (--add) encrypt the added files with AES-256, or with ZipCrypto (weak,
                   for older tools)
  --encoding NAME  (--list, --extract, --test, --delete) the code page of names stored
                   without the UTF-8 flag: Automatic (the default), CP437, CP850, CP852,
                   CP866, CP1250, CP1251, CP1252, Shift-JIS, GBK, EUC-KR or Big5
  --verbose        (--add, --extract, --delete) also print a line for each file
  --quiet          (--add, --extract, --delete) print errors only, not the closing count

Entry names may separate folders with &quot;\&quot; (as --list shows them) or with &quot;/&quot;.
Entries compressed with stored, deflate, Deflate64, bzip2, LZMA, XZ or Zstandard are
extracted, encrypted ones (ZipCrypto, AES) with the archive&apos;s password; other methods
(PPMd, ...), and encrypted entries without the password, are skipped with a message.
--add stores or deflates.
Exit status: 0 only when everything asked was done; 1 on an error, when any file or
entry failed or was skipped for an error, when no file was processed, or for --list of
a file that is not a ZIP archive; 2 when the command line is wrong.
</source>
        <translation>Aufruf: quembly [ARCHIVE]
       quembly --list ARCHIVE [--encoding NAME]
       quembly --add ARCHIVE [--recurse] [--dirnames] [--level N] [--password PW]
                 [--encrypt[=zipcrypto]] [--archive-password-file FILE] PATH...
       quembly --extract ARCHIVE FOLDER [--dirnames] [--no-overwrite] [--password PW]
                 [--archive-password-file FILE] [--encoding NAME] [NAME...]
       quembly --delete ARCHIVE [--password PW] [--encoding NAME] NAME...
       quembly --test ARCHIVE [--password PW] [--archive-password-file FILE]
                 [--encoding NAME] [NAME...]
       quembly --help | --version

Ohne Befehl öffnet Quembly sein Fenster und zeigt ARCHIVE, wenn es angegeben ist.

Befehle:
  --list           gibt eine Zeile je Eintrag aus: Name, gepackte Größe, Originalgröße
                   und Datum/Zeit, durch Tabulatoren getrennt
  --add            fügt die Dateien PATH... zu ARCHIVE hinzu und legt ARCHIVE an, wenn es
                   noch nicht existiert
  --extract        entpackt alle Einträge oder die Einträge NAME... nach FOLDER; FOLDER wird
                   angelegt, wenn es fehlt, sein übergeordneter Ordner aber existiert
  --delete         löscht die Einträge NAME... aus ARCHIVE
  --test           liest jeden Eintrag (oder die Einträge NAME...) und prüft seine CRC,
                   ohne etwas zu schreiben
  --help           zeigt diesen Text
  --version        zeigt die Version des Programms

Optionen:
  --recurse        (--add) nimmt auch die Dateien genannter Ordner und ihrer Unterordner
  --dirnames       (--add) speichert Ordnernamen; (--extract) legt die gespeicherten
                   Ordner wieder an
  --level N        (--add) Kompressionsstufe von 0 (nur speichern) bis 9 (beste, Vorgabe)
  --no-overwrite   (--extract) behält Dateien, die in FOLDER schon existieren; sonst
                   werden sie ersetzt
  --password PW    das Zugangspasswort; --add, --extract, --delete und --test brauchen es,
                   wenn in den Einstellungen eines gesetzt ist (andere Benutzer sehen es
                   in der Prozessliste: besser --password-file)
  --password-file FILE
                   das Zugangspasswort ist die erste Zeile von FILE (&quot;-&quot;: Standardeingabe)
  --archive-password-file FILE
                   (--add, --extract, --test) das eigene Passwort des Archivs, das seine
                   Einträge verschlüsselt, ist die erste Zeile von FILE (&quot;-&quot;:
                   Standardeingabe); ohne sie fragt Quembly im Terminal, wenn ein
                   verschlüsselter Eintrag es braucht
  --encrypt[=zipcrypto]
                   (--add) verschlüsselt die hinzugefügten Dateien mit AES-256 oder mit
                   ZipCrypto (schwach, für ältere Programme)
  --encoding NAME  (--list, --extract, --test, --delete) die Codepage von Namen ohne
                   UTF-8-Kennung: Automatic (Vorgabe), CP437, CP850, CP852, CP866,
                   CP1250, CP1251, CP1252, Shift-JIS, GBK, EUC-KR oder Big5
  --verbose        (--add, --extract, --delete) gibt auch eine Zeile je Datei aus
  --quiet          (--add, --extract, --delete) gibt nur Fehler aus, nicht die Schlusszahl

Eintragsnamen können Ordner mit &quot;\&quot; (wie --list sie zeigt) oder mit &quot;/&quot; trennen.
Mit stored, deflate, Deflate64, bzip2, LZMA, XZ oder Zstandard gepackte Einträge werden
entpackt, verschlüsselte (ZipCrypto, AES) mit dem Passwort des Archivs; andere
Verfahren (PPMd, ...) und verschlüsselte Einträge ohne Passwort werden mit einer
Meldung übersprungen. --add speichert oder packt mit deflate.
Rückgabewert: 0 nur, wenn alles Verlangte getan wurde; 1 bei einem Fehler, wenn eine
Datei oder ein Eintrag fehlschlug oder wegen eines Fehlers übersprungen wurde, wenn keine
Datei verarbeitet wurde oder bei --list einer Datei, die kein ZIP-Archiv ist; 2 bei einer
fehlerhaften Befehlszeile.
</translation>
    </message>
</context>
<context>
    <name>QtMessageService</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation>Bestätigen</translation>
    </message>
    <message>
        <source>&amp;Yes</source>
        <translation>&amp;Ja</translation>
    </message>
    <message>
        <source>&amp;No</source>
        <translation>&amp;Nein</translation>
    </message>
</context>
<context>
    <name>TAddForm</name>
    <message>
        <source>Add Files</source>
        <translation>Dateien hinzufügen</translation>
    </message>
    <message>
        <source>Select File to Add</source>
        <translation>Dateien zum Hinzufügen wählen</translation>
    </message>
    <message>
        <source>Folders</source>
        <translation>Ordner</translation>
    </message>
    <message>
        <source>Files to Add:</source>
        <translation>Hinzuzufügende Dateien:</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Optionen</translation>
    </message>
    <message>
        <source>Save DirNames</source>
        <translation>Pfade speichern</translation>
    </message>
    <message>
        <source>Recurse Dirs</source>
        <translation>Unterordner</translation>
    </message>
    <message>
        <source>Select All</source>
        <translation>Alle wählen</translation>
    </message>
    <message>
        <source>Remove Files</source>
        <translation>Dateien entfernen</translation>
    </message>
    <message>
        <source>Sort File List</source>
        <translation>Liste sortieren</translation>
    </message>
    <message>
        <source>Add To ZIP</source>
        <translation>Zum ZIP hinzufügen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Encrypt</source>
        <translation>Verschlüsseln</translation>
    </message>
    <message>
        <source>AES-256</source>
        <translation>AES-256</translation>
    </message>
    <message>
        <source>ZipCrypto</source>
        <translation>ZipCrypto</translation>
    </message>
    <message>
        <source>(weak, for older tools)</source>
        <translation>(schwach, für ältere Programme)</translation>
    </message>
</context>
<context>
    <name>TArchivePassword</name>
    <message>
        <source>Archive Password</source>
        <translation>Archivpasswort</translation>
    </message>
    <message>
        <source>Repeat the password:</source>
        <translation>Passwort wiederholen:</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Password for %1:</source>
        <translation>Passwort für %1:</translation>
    </message>
    <message>
        <source>Type a password to encrypt with.</source>
        <translation>Geben Sie ein Passwort zum Verschlüsseln ein.</translation>
    </message>
    <message>
        <source>The two passwords differ; type them again.</source>
        <translation>Die beiden Passwörter sind verschieden; bitte erneut eingeben.</translation>
    </message>
</context>
<context>
    <name>TCombineForm</name>
    <message>
        <source>Quembly Combiner</source>
        <translation>Quembly – Teilarchive verbinden</translation>
    </message>
    <message>
        <source>Browse...</source>
        <translation>Durchsuchen...</translation>
    </message>
    <message>
        <source>First piece :</source>
        <translation>Erstes Teil :</translation>
    </message>
    <message>
        <source>Combined ZIP :</source>
        <translation>Ziel-ZIP :</translation>
    </message>
    <message>
        <source>Combine</source>
        <translation>Verbinden</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Choose the first piece</source>
        <translation>Erstes Teil wählen</translation>
    </message>
    <message>
        <source>Pieces of split archives (*.z01 *.Z01 *.001 *.zip *.ZIP);;All files (*)</source>
        <translation>Teile geteilter Archive (*.z01 *.Z01 *.001 *.zip *.ZIP);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Save the combined archive as</source>
        <translation>Verbundenes Archiv speichern unter</translation>
    </message>
    <message>
        <source>ZIP Files (*.zip)</source>
        <translation>ZIP-Dateien (*.zip)</translation>
    </message>
    <message>
        <source>Choose the first piece of the split archive.</source>
        <translation>Wählen Sie das erste Teil des geteilten Archivs.</translation>
    </message>
    <message>
        <source>Overwrite Existing File: </source>
        <translation>Vorhandene Datei überschreiben: </translation>
    </message>
    <message>
        <source>The split archive was put together as %1 from %2 pieces; its %3 entries passed their check.</source>
        <translation>Das geteilte Archiv wurde aus %2 Teilen zu %1 zusammengefügt; seine %3 Einträge haben die Prüfung bestanden.</translation>
    </message>
    <message>
        <source>Combining the pieces...</source>
        <translation>Teile werden verbunden...</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>TExtract</name>
    <message>
        <source>Select Extract Directory</source>
        <translation>Zielordner wählen</translation>
    </message>
    <message>
        <source>Destination folder</source>
        <translation>Zielordner</translation>
    </message>
    <message>
        <source>Extract With Directories</source>
        <translation>Mit Ordnern entpacken</translation>
    </message>
    <message>
        <source>No</source>
        <translation>Nein</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Ja</translation>
    </message>
    <message>
        <source>OverWrite Existing Files</source>
        <translation>Vorhandene überschreiben</translation>
    </message>
    <message>
        <source>Files to Extract</source>
        <translation>Zu entpackende Dateien</translation>
    </message>
    <message>
        <source>All Files</source>
        <translation>Alle Dateien</translation>
    </message>
    <message>
        <source>Selected Files</source>
        <translation>Ausgewählte Dateien</translation>
    </message>
    <message>
        <source>Create New Folder</source>
        <translation>Neuer Ordner</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>TForm1</name>
    <message>
        <source>Password Require</source>
        <translation>Passwort erforderlich</translation>
    </message>
    <message>
        <source>Password :</source>
        <translation>Passwort :</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Password corrected, now you can do any actions without inserting any password</source>
        <translation>Passwort richtig, jetzt sind alle Aktionen ohne Passworteingabe möglich</translation>
    </message>
    <message>
        <source>Wrong Password, Please Type Correct Password</source>
        <translation>Falsches Passwort, bitte das richtige Passwort eingeben</translation>
    </message>
</context>
<context>
    <name>TForm2</name>
    <message>
        <source>to set again please check enabled password and set up password correctly</source>
        <translation>zum erneuten Setzen „Passwort aktiv“ ankreuzen und das Passwort richtig festlegen</translation>
    </message>
    <message>
        <source>Quembly Setting</source>
        <translation>Quembly-Einstellungen</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Passwort</translation>
    </message>
    <message>
        <source>Splitt zip</source>
        <translation>ZIP teilen</translation>
    </message>
    <message>
        <source>Current Password :</source>
        <translation>Altes Passwort :</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Enabled Password</source>
        <translation>Passwort aktiv</translation>
    </message>
    <message>
        <source>Change Password :</source>
        <translation>Neues Passwort :</translation>
    </message>
    <message>
        <source>Retype Password :</source>
        <translation>Wiederholen :</translation>
    </message>
    <message>
        <source>Set Password</source>
        <translation>Passwort setzen</translation>
    </message>
    <message>
        <source>Minimum Size of Spliting :</source>
        <translation>Mindestgröße der Teile :</translation>
    </message>
    <message>
        <source>MB </source>
        <translation>MB </translation>
    </message>
    <message>
        <source>Example : 1.5 MB</source>
        <translation>Beispiel : 1.5 MB</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>Übernehmen</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Invalid Password</source>
        <translation>Ungültiges Passwort</translation>
    </message>
    <message>
        <source>Your password is </source>
        <translation>Ihr Passwort lautet </translation>
    </message>
    <message>
        <source>Invalid numeric format : </source>
        <translation>Ungültiges Zahlenformat : </translation>
    </message>
    <message>
        <source>Please type a numeric format</source>
        <translation>Bitte eine Zahl eingeben</translation>
    </message>
    <message>
        <source>Please set type some size in numeric format</source>
        <translation>Bitte eine Größe als Zahl eingeben</translation>
    </message>
    <message>
        <source>Minimum Size of splitting zip is </source>
        <translation>Die Mindestgröße der ZIP-Teile beträgt </translation>
    </message>
    <message>
        <source> MB</source>
        <translation> MB</translation>
    </message>
    <message>
        <source>Your password is deleted,</source>
        <translation>Ihr Passwort wurde gelöscht,</translation>
    </message>
</context>
<context>
    <name>TForm7</name>
    <message>
        <source>Create New Folder</source>
        <translation>Neuen Ordner anlegen</translation>
    </message>
    <message>
        <source>Folder Name :</source>
        <translation>Ordnername :</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Directory is already exist</source>
        <translation>Der Ordner existiert bereits</translation>
    </message>
    <message>
        <source>Cannot create Folder : </source>
        <translation>Ordner kann nicht angelegt werden : </translation>
    </message>
</context>
<context>
    <name>TMainform</name>
    <message>
        <source>Open Existing ZIP File</source>
        <translation>Vorhandene ZIP-Datei öffnen</translation>
    </message>
    <message>
        <source>Create New ZIP File</source>
        <translation>Neue ZIP-Datei anlegen</translation>
    </message>
    <message>
        <source>ZIP Files (*.ZIP)|*.zip</source>
        <translation>ZIP-Dateien (*.ZIP)|*.zip</translation>
    </message>
    <message>
        <source>Overwrite Existing File: </source>
        <translation>Vorhandene Datei überschreiben: </translation>
    </message>
    <message>
        <source>Zip file not found: </source>
        <translation>ZIP-Datei nicht gefunden: </translation>
    </message>
    <message>
        <source>Are you sure you want to delete: </source>
        <translation>Wirklich löschen: </translation>
    </message>
    <message>
        <source>Cannot delete </source>
        <translation>Löschen nicht möglich: </translation>
    </message>
    <message>
        <source>Error - no files selected</source>
        <translation>Fehler – keine Dateien ausgewählt</translation>
    </message>
    <message>
        <source>Error - open a zip file first</source>
        <translation>Fehler – zuerst eine ZIP-Datei öffnen</translation>
    </message>
    <message>
        <source>Error - this pgm can NOT add files to a self-extracting archive</source>
        <translation>Fehler – dieses Programm kann einem selbstentpackenden Archiv KEINE Dateien hinzufügen</translation>
    </message>
    <message>
        <source>No files selected</source>
        <translation>Keine Dateien ausgewählt</translation>
    </message>
    <message>
        <source>Beginning Add to </source>
        <translation>Hinzufügen zu </translation>
    </message>
    <message>
        <source>Error in Add; Fatal DLL Exception in mainunit</source>
        <translation>Fehler beim Hinzufügen; schwerer DLL-Fehler im Hauptmodul</translation>
    </message>
    <message>
        <source> files were added</source>
        <translation> Dateien wurden hinzugefügt</translation>
    </message>
    <message>
        <source>Error: file not found: </source>
        <translation>Fehler: Datei nicht gefunden: </translation>
    </message>
    <message>
        <source>Error - no files to extract</source>
        <translation>Fehler – keine Dateien zum Entpacken</translation>
    </message>
    <message>
        <source>Beginning Extract from </source>
        <translation>Entpacken aus </translation>
    </message>
    <message>
        <source>Error in Extract; Fatal DLL Exception in mainunit</source>
        <translation>Fehler beim Entpacken; schwerer DLL-Fehler im Hauptmodul</translation>
    </message>
    <message>
        <source> files were extracted</source>
        <translation> Dateien wurden entpackt</translation>
    </message>
    <message>
        <source>Error - this pgm can NOT delete files from a self-extracting archive</source>
        <translation>Fehler – dieses Programm kann aus einem selbstentpackenden Archiv KEINE Dateien löschen</translation>
    </message>
    <message>
        <source>Error - no files to delete</source>
        <translation>Fehler – keine Dateien zum Löschen</translation>
    </message>
    <message>
        <source>Delete selected files from: </source>
        <translation>Ausgewählte Dateien löschen aus: </translation>
    </message>
    <message>
        <source>Beginning delete from </source>
        <translation>Löschen aus </translation>
    </message>
    <message>
        <source>Fatal error trying to delete</source>
        <translation>Schwerer Fehler beim Löschen</translation>
    </message>
    <message>
        <source> files were Deleted</source>
        <translation> Dateien wurden gelöscht</translation>
    </message>
    <message>
        <source>Quembly 1.0</source>
        <translation>Quembly 1.0</translation>
    </message>
    <message>
        <source>Ostrel file (*.zip)|*.zip</source>
        <translation>ZIP-Datei (*.zip)|*.zip</translation>
    </message>
    <message>
        <source>Cannot create </source>
        <translation>Anlegen nicht möglich: </translation>
    </message>
    <message>
        <source>File Name</source>
        <translation>Dateiname</translation>
    </message>
    <message>
        <source>Compress Size</source>
        <translation>Gepackte Größe</translation>
    </message>
    <message>
        <source>Uncompress Size</source>
        <translation>Originalgröße</translation>
    </message>
    <message>
        <source>Date/Time</source>
        <translation>Datum/Zeit</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;New ZIP</source>
        <translation>&amp;Neues ZIP</translation>
    </message>
    <message>
        <source>&amp;Open ZIP</source>
        <translation>ZIP ö&amp;ffnen</translation>
    </message>
    <message>
        <source>&amp;Delete ZIP</source>
        <translation>ZIP &amp;löschen</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Ansicht</translation>
    </message>
    <message>
        <source>&amp;Open Files</source>
        <translation>Dateien ö&amp;ffnen</translation>
    </message>
    <message>
        <source>Open &amp;With</source>
        <translation>Öffnen &amp;mit</translation>
    </message>
    <message>
        <source>Files &amp;Properties</source>
        <translation>&amp;Eigenschaften</translation>
    </message>
    <message>
        <source>&amp;Tool</source>
        <translation>&amp;Werkzeuge</translation>
    </message>
    <message>
        <source>&amp;Extract Files</source>
        <translation>Dateien &amp;entpacken</translation>
    </message>
    <message>
        <source>&amp;Add Files</source>
        <translation>Dateien &amp;hinzufügen</translation>
    </message>
    <message>
        <source>&amp;Delete Files</source>
        <translation>Dateien &amp;löschen</translation>
    </message>
    <message>
        <source>&amp;Option</source>
        <translation>&amp;Optionen</translation>
    </message>
    <message>
        <source>&amp;Combine ZIP</source>
        <translation>ZIP &amp;verbinden</translation>
    </message>
    <message>
        <source>Con&amp;figure</source>
        <translation>&amp;Einstellungen</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;Quembly Help</source>
        <translation>&amp;Quembly-Hilfe</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>Ü&amp;ber Quembly</translation>
    </message>
    <message>
        <source>&amp;Open Selected File</source>
        <translation>Auswahl ö&amp;ffnen</translation>
    </message>
    <message>
        <source>Open &amp;with ...</source>
        <translation>Öffnen &amp;mit ...</translation>
    </message>
    <message>
        <source>&amp;Extract Selected File</source>
        <translation>Auswahl &amp;entpacken</translation>
    </message>
    <message>
        <source>&amp;Delete Selected File</source>
        <translation>Auswahl &amp;löschen</translation>
    </message>
    <message>
        <source>&amp;Properties</source>
        <translation>&amp;Eigenschaften</translation>
    </message>
    <message>
        <source>Toolbar</source>
        <translation>Werkzeugleiste</translation>
    </message>
    <message>
        <source>Click to Create New ZIP</source>
        <translation>Klicken, um ein neues ZIP anzulegen</translation>
    </message>
    <message>
        <source>Click to Open ZIP on your computer</source>
        <translation>Klicken, um ein ZIP auf Ihrem Computer zu öffnen</translation>
    </message>
    <message>
        <source>Click to Delete Zip file and All zip content</source>
        <translation>Klicken, um die ZIP-Datei mit ihrem ganzen Inhalt zu löschen</translation>
    </message>
    <message>
        <source>Click to Extract zip</source>
        <translation>Klicken, um das ZIP zu entpacken</translation>
    </message>
    <message>
        <source>Click to Add some files to ZIP</source>
        <translation>Klicken, um dem ZIP Dateien hinzuzufügen</translation>
    </message>
    <message>
        <source>Click to Delete the selected file</source>
        <translation>Klicken, um die ausgewählte Datei zu löschen</translation>
    </message>
    <message>
        <source>Click to combine the splitted zip</source>
        <translation>Klicken, um das geteilte ZIP zusammenzufügen</translation>
    </message>
    <message>
        <source>Click to Configure Quembly</source>
        <translation>Klicken, um Quembly einzurichten</translation>
    </message>
    <message>
        <source>Click to view help file</source>
        <translation>Klicken, um die Hilfe anzuzeigen</translation>
    </message>
    <message>
        <source>New ZIP</source>
        <translation>Neues ZIP</translation>
    </message>
    <message>
        <source>Open ZIP</source>
        <translation>ZIP öffnen</translation>
    </message>
    <message>
        <source>Delete ZIP</source>
        <translation>ZIP löschen</translation>
    </message>
    <message>
        <source>Extract Files</source>
        <translation>Dateien entpacken</translation>
    </message>
    <message>
        <source>Add Files</source>
        <translation>Dateien hinzufügen</translation>
    </message>
    <message>
        <source>Delete Files</source>
        <translation>Dateien löschen</translation>
    </message>
    <message>
        <source>Combine ZIP</source>
        <translation>ZIP verbinden</translation>
    </message>
    <message>
        <source>Configure</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Quembly Help</source>
        <translation>Quembly-Hilfe</translation>
    </message>
    <message>
        <source>Zip Name:</source>
        <translation>ZIP-Name:</translation>
    </message>
    <message>
        <source>Archive entries</source>
        <translation>Archiveinträge</translation>
    </message>
    <message>
        <source>Double click to view the selected file</source>
        <translation>Doppelklick öffnet die ausgewählte Datei</translation>
    </message>
    <message>
        <source>files</source>
        <translation>Dat.</translation>
    </message>
    <message>
        <source>application (*.exe)|*.exe</source>
        <translation>Programm (*.exe)|*.exe</translation>
    </message>
    <message>
        <source>application|*</source>
        <translation>Programm|*</translation>
    </message>
    <message>
        <source>File Name         : </source>
        <translation>Dateiname         : </translation>
    </message>
    <message>
        <source>Extension file    : </source>
        <translation>Dateiendung       : </translation>
    </message>
    <message>
        <source>Compressed Size   : </source>
        <translation>Gepackte Größe    : </translation>
    </message>
    <message>
        <source>Uncompressed Size : </source>
        <translation>Originalgröße     : </translation>
    </message>
    <message>
        <source>Modified          : </source>
        <translation>Geändert          : </translation>
    </message>
    <message>
        <source>Create a new archive for the %1 dropped items?</source>
        <translation>Ein neues Archiv für die %1 abgelegten Objekte anlegen?</translation>
    </message>
    <message>
        <source>Add %1 items to %2?</source>
        <translation>%1 Objekte zu %2 hinzufügen?</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Hinzufügen</translation>
    </message>
    <message>
        <source>Cannot create a folder in </source>
        <translation>Kein Ordner anlegbar in </translation>
    </message>
    <message>
        <source>Extract</source>
        <translation>Entpacken</translation>
    </message>
    <message>
        <source>%1 failed: %2</source>
        <translation>%1 fehlgeschlagen: %2</translation>
    </message>
    <message>
        <source>Operation</source>
        <translation>Vorgang</translation>
    </message>
    <message>
        <source>Cancelled: </source>
        <translation>Abgebrochen: </translation>
    </message>
    <message>
        <source>, %1 skipped</source>
        <translation>, %1 übersprungen</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Cannot use %1: it is a link, not a folder, or not yours</source>
        <translation>%1 ist nicht verwendbar: ein Link, kein Ordner oder nicht Ihrer</translation>
    </message>
    <message>
        <source>An operation is still running. Cancel it and quit?</source>
        <translation>Ein Vorgang läuft noch. Abbrechen und beenden?</translation>
    </message>
    <message>
        <source>Please wait: an operation is still running.</source>
        <translation>Bitte warten: ein Vorgang läuft noch.</translation>
    </message>
    <message>
        <source>&amp;Test Archive</source>
        <translation>Archiv &amp;testen</translation>
    </message>
    <message>
        <source>&amp;Test Selected Files</source>
        <translation>Auswahl &amp;testen</translation>
    </message>
    <message>
        <source>Error - no files to test</source>
        <translation>Fehler - keine Dateien zu testen</translation>
    </message>
    <message>
        <source>Beginning Test of </source>
        <translation>Teste </translation>
    </message>
    <message>
        <source> files tested sound</source>
        <translation> Dateien fehlerfrei getestet</translation>
    </message>
    <message>
        <source> files tested sound, %1 failed</source>
        <translation> Dateien fehlerfrei getestet, %1 fehlerhaft</translation>
    </message>
    <message>
        <source>Error in Test; Fatal DLL Exception in mainunit</source>
        <translation>Fehler beim Testen; schwerer DLL-Fehler im Hauptmodul</translation>
    </message>
    <message>
        <source>Test</source>
        <translation>Testen</translation>
    </message>
    <message>
        <source>&amp;Name Encoding</source>
        <translation>&amp;Namenskodierung</translation>
    </message>
    <message>
        <source>Automatic</source>
        <translation>Automatisch</translation>
    </message>
    <message>
        <source>Wrong password for %1</source>
        <translation>Falsches Passwort für %1</translation>
    </message>
</context>
<context>
    <name>TMsgform</name>
    <message>
        <source>File being manipulated</source>
        <translation>Bearbeitete Datei</translation>
    </message>
    <message>
        <source>Quembly Messages</source>
        <translation>Quembly-Meldungen</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>Tformabout</name>
    <message>
        <source>About</source>
        <translation>Über Quembly</translation>
    </message>
    <message>
        <source>Version 1.0</source>
        <translation>Version 1.0</translation>
    </message>
    <message>
        <source>Quembly is free to use. Keep a copy of your archives.</source>
        <translation>Quembly ist kostenlos. Bewahren Sie eine Kopie Ihrer Archive auf.</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
</context>
</TS>
