<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>CommandLine</name>
    <message>
        <source>Error: file not found: </source>
        <translation>Erreur : fichier introuvable : </translation>
    </message>
    <message>
        <source>option &apos;%1&apos; needs a value</source>
        <translation>l&apos;option &apos;%1&apos; exige une valeur</translation>
    </message>
    <message>
        <source>the compression level must be a number from 0 to 9, not &apos;%1&apos;</source>
        <translation>le niveau de compression doit être un nombre de 0 à 9, pas &apos;%1&apos;</translation>
    </message>
    <message>
        <source>unknown option &apos;%1&apos;</source>
        <translation>option inconnue &apos;%1&apos;</translation>
    </message>
    <message>
        <source>option &apos;%1&apos; does not apply to %2</source>
        <translation>l&apos;option &apos;%1&apos; ne s&apos;applique pas à %2</translation>
    </message>
    <message>
        <source>no command given (one of --list, --add, --extract, --delete)</source>
        <translation>aucune commande donnée (--list, --add, --extract ou --delete)</translation>
    </message>
    <message>
        <source>%1 needs an archive</source>
        <translation>%1 exige une archive</translation>
    </message>
    <message>
        <source>the archive name is empty</source>
        <translation>le nom de l&apos;archive est vide</translation>
    </message>
    <message>
        <source>unexpected argument &apos;%1&apos;</source>
        <translation>argument inattendu &apos;%1&apos;</translation>
    </message>
    <message>
        <source>No files selected</source>
        <translation>Aucun fichier sélectionné</translation>
    </message>
    <message>
        <source>--extract needs a destination folder</source>
        <translation>--extract exige un dossier de destination</translation>
    </message>
    <message>
        <source>Error - no files selected</source>
        <translation>Erreur - aucun fichier sélectionné</translation>
    </message>
    <message>
        <source>Wrong or missing password</source>
        <translation>Mot de passe erroné ou manquant</translation>
    </message>
    <message>
        <source>Error - this pgm can NOT add files to a self-extracting archive</source>
        <translation>Erreur - ce programme ne peut PAS ajouter de fichiers à une archive auto-extractible</translation>
    </message>
    <message>
        <source>Error - not an archive file: </source>
        <translation>Erreur - ce n&apos;est pas une archive : </translation>
    </message>
    <message>
        <source>Error in Add; Fatal DLL Exception in mainunit</source>
        <translation>Erreur d&apos;ajout ; exception fatale de la DLL dans le module principal</translation>
    </message>
    <message>
        <source> files were added</source>
        <translation> fichiers ajoutés</translation>
    </message>
    <message>
        <source>Error - not a folder: </source>
        <translation>Erreur - ce n&apos;est pas un dossier : </translation>
    </message>
    <message>
        <source>Error - folder not found: </source>
        <translation>Erreur - dossier introuvable : </translation>
    </message>
    <message>
        <source>Error - cannot create folder: </source>
        <translation>Erreur - impossible de créer le dossier : </translation>
    </message>
    <message>
        <source>Warning: </source>
        <translation>Avertissement : </translation>
    </message>
    <message>
        <source> Extracting the entries the archive&apos;s central directory names.</source>
        <translation> Extraction des entrées que nomme le répertoire central de l&apos;archive.</translation>
    </message>
    <message>
        <source>Error - no files to extract</source>
        <translation>Erreur - aucun fichier à extraire</translation>
    </message>
    <message>
        <source>Error in Extract; Fatal DLL Exception in mainunit</source>
        <translation>Erreur d&apos;extraction ; exception fatale de la DLL dans le module principal</translation>
    </message>
    <message>
        <source> files were extracted</source>
        <translation> fichiers extraits</translation>
    </message>
    <message>
        <source>Error - this pgm can NOT delete files from a self-extracting archive</source>
        <translation>Erreur - ce programme ne peut PAS supprimer de fichiers d&apos;une archive auto-extractible</translation>
    </message>
    <message>
        <source>Error - no files to delete</source>
        <translation>Erreur - aucun fichier à supprimer</translation>
    </message>
    <message>
        <source>Fatal error trying to delete</source>
        <translation>Erreur fatale lors de la suppression</translation>
    </message>
    <message>
        <source> files were Deleted</source>
        <translation> fichiers supprimés</translation>
    </message>
    <message>
        <source>only one of --list, --add, --extract, --delete, --test, --help and --version may be given</source>
        <translation>une seule des options --list, --add, --extract, --delete, --test, --help et --version est permise</translation>
    </message>
    <message>
        <source>unknown encryption method &apos;%1&apos;</source>
        <translation>méthode de chiffrement inconnue &apos;%1&apos;</translation>
    </message>
    <message>
        <source>--password and --password-file cannot both be given</source>
        <translation>--password et --password-file ne peuvent pas être donnés ensemble</translation>
    </message>
    <message>
        <source>--password-file and --archive-password-file cannot both read standard input</source>
        <translation>--password-file et --archive-password-file ne peuvent pas lire tous deux l&apos;entrée standard</translation>
    </message>
    <message>
        <source>Wrong password for %1</source>
        <translation>Mot de passe incorrect pour %1</translation>
    </message>
    <message>
        <source>Password for %1: </source>
        <translation>Mot de passe pour %1 : </translation>
    </message>
    <message>
        <source>Password again: </source>
        <translation>Confirmez le mot de passe : </translation>
    </message>
    <message>
        <source>The passwords do not match</source>
        <translation>Les mots de passe ne correspondent pas</translation>
    </message>
    <message>
        <source>--encrypt needs a password: give --archive-password-file FILE, or run in a terminal</source>
        <translation>--encrypt exige un mot de passe : donnez --archive-password-file FILE, ou lancez la commande dans un terminal</translation>
    </message>
    <message>
        <source>Cannot read the password file %1</source>
        <translation>Impossible de lire le fichier de mot de passe %1</translation>
    </message>
    <message>
        <source>--verbose and --quiet exclude each other</source>
        <translation>--verbose et --quiet s&apos;excluent mutuellement</translation>
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
        <translation>Usage : quembly [ARCHIVE]
       quembly --list ARCHIVE [--encoding NAME]
       quembly --add ARCHIVE [--recurse] [--dirnames] [--level N] [--password PW]
                 [--encrypt[=zipcrypto]] [--archive-password-file FILE] PATH...
       quembly --extract ARCHIVE FOLDER [--dirnames] [--no-overwrite] [--password PW]
                 [--archive-password-file FILE] [--encoding NAME] [NAME...]
       quembly --delete ARCHIVE [--password PW] [--encoding NAME] NAME...
       quembly --test ARCHIVE [--password PW] [--archive-password-file FILE]
                 [--encoding NAME] [NAME...]
       quembly --help | --version

Sans commande, Quembly ouvre sa fenêtre et y affiche ARCHIVE s&apos;il est donné.

Commandes :
  --list           affiche une ligne par entrée : nom, taille compressée, taille d&apos;origine
                   et date/heure, séparés par des tabulations
  --add            ajoute les fichiers PATH... à ARCHIVE, en créant ARCHIVE s&apos;il n&apos;existe pas
  --extract        extrait toutes les entrées, ou les entrées NAME..., dans FOLDER ; FOLDER
                   est créé s&apos;il n&apos;existe pas mais que son dossier parent existe
  --delete         supprime les entrées NAME... de ARCHIVE
  --test           lit chaque entrée (ou les entrées NAME...) et vérifie son CRC, sans
                   rien écrire
  --help           affiche ce texte
  --version        affiche la version du programme

Options :
  --recurse        (--add) ajoute aussi les fichiers des dossiers nommés et de leurs
                   sous-dossiers
  --dirnames       (--add) enregistre les noms de dossiers ; (--extract) recrée les
                   dossiers enregistrés
  --level N        (--add) niveau de compression de 0 (stockage seul) à 9 (meilleur, par
                   défaut)
  --no-overwrite   (--extract) garde les fichiers qui existent déjà dans FOLDER ; par
                   défaut ils sont remplacés
  --password PW    le mot de passe d&apos;accès ; --add, --extract, --delete et --test l&apos;exigent
                   quand un mot de passe est défini dans les réglages (les autres
                   utilisateurs le voient dans la liste des processus : préférez
                   --password-file)
  --password-file FILE
                   le mot de passe d&apos;accès est la première ligne de FILE (&quot;-&quot; : entrée
                   standard)
  --archive-password-file FILE
                   (--add, --extract, --test) le mot de passe propre à l&apos;archive, qui
                   chiffre ses entrées, est la première ligne de FILE (&quot;-&quot; : entrée
                   standard) ; sans elle, Quembly le demande dans un terminal quand une
                   entrée chiffrée en a besoin
  --encrypt[=zipcrypto]
                   (--add) chiffre les fichiers ajoutés en AES-256, ou en ZipCrypto
                   (faible, pour les anciens outils)
  --encoding NAME  (--list, --extract, --test, --delete) la page de codes des noms sans
                   l&apos;indicateur UTF-8 : Automatic (par défaut), CP437, CP850, CP852, CP866,
                   CP1250, CP1251, CP1252, Shift-JIS, GBK, EUC-KR ou Big5
  --verbose        (--add, --extract, --delete) affiche aussi une ligne par fichier
  --quiet          (--add, --extract, --delete) n&apos;affiche que les erreurs, sans le compte final

Les noms d&apos;entrées peuvent séparer les dossiers par &quot;\&quot; (comme les affiche --list) ou par &quot;/&quot;.
Les entrées compressées en stored, deflate, Deflate64, bzip2, LZMA, XZ ou Zstandard sont
extraites, les entrées chiffrées (ZipCrypto, AES) avec le mot de passe de l&apos;archive ;
les autres méthodes (PPMd, ...) et les entrées chiffrées sans mot de passe sont ignorées
avec un message. --add stocke ou compresse en deflate.
Code de sortie : 0 seulement si tout ce qui était demandé a été fait ; 1 en cas d&apos;erreur,
si un fichier ou une entrée a échoué ou a été ignoré à cause d&apos;une erreur, si aucun
fichier n&apos;a été traité, ou pour --list d&apos;un fichier qui n&apos;est pas une archive ZIP ; 2 si
la ligne de commande est incorrecte.
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
        <translation>Confirmer</translation>
    </message>
    <message>
        <source>&amp;Yes</source>
        <translation>&amp;Oui</translation>
    </message>
    <message>
        <source>&amp;No</source>
        <translation>&amp;Non</translation>
    </message>
</context>
<context>
    <name>TAddForm</name>
    <message>
        <source>Add Files</source>
        <translation>Ajouter des fichiers</translation>
    </message>
    <message>
        <source>Select File to Add</source>
        <translation>Choisir les fichiers à ajouter</translation>
    </message>
    <message>
        <source>Folders</source>
        <translation>Dossiers</translation>
    </message>
    <message>
        <source>Files to Add:</source>
        <translation>Fichiers à ajouter :</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>Save DirNames</source>
        <translation>Garder chemins</translation>
    </message>
    <message>
        <source>Recurse Dirs</source>
        <translation>Sous-dossiers</translation>
    </message>
    <message>
        <source>Select All</source>
        <translation>Tout sélectionner</translation>
    </message>
    <message>
        <source>Remove Files</source>
        <translation>Retirer les fichiers</translation>
    </message>
    <message>
        <source>Sort File List</source>
        <translation>Trier la liste</translation>
    </message>
    <message>
        <source>Add To ZIP</source>
        <translation>Ajouter au ZIP</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Encrypt</source>
        <translation>Chiffrer</translation>
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
        <translation>(faible, pour les anciens outils)</translation>
    </message>
</context>
<context>
    <name>TArchivePassword</name>
    <message>
        <source>Archive Password</source>
        <translation>Mot de passe de l&apos;archive</translation>
    </message>
    <message>
        <source>Repeat the password:</source>
        <translation>Répétez le mot de passe :</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Password for %1:</source>
        <translation>Mot de passe de %1 :</translation>
    </message>
    <message>
        <source>Type a password to encrypt with.</source>
        <translation>Saisissez un mot de passe pour chiffrer.</translation>
    </message>
    <message>
        <source>The two passwords differ; type them again.</source>
        <translation>Les deux mots de passe diffèrent ; saisissez-les à nouveau.</translation>
    </message>
</context>
<context>
    <name>TCombineForm</name>
    <message>
        <source>Quembly Combiner</source>
        <translation>Quembly – assembler les parties</translation>
    </message>
    <message>
        <source>Browse...</source>
        <translation>Parcourir...</translation>
    </message>
    <message>
        <source>First piece :</source>
        <translation>Première partie :</translation>
    </message>
    <message>
        <source>Combined ZIP :</source>
        <translation>ZIP assemblé :</translation>
    </message>
    <message>
        <source>Combine</source>
        <translation>Assembler</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Fermer</translation>
    </message>
    <message>
        <source>Choose the first piece</source>
        <translation>Choisir la première partie</translation>
    </message>
    <message>
        <source>Pieces of split archives (*.z01 *.Z01 *.001 *.zip *.ZIP);;All files (*)</source>
        <translation>Parties d&apos;archives fractionnées (*.z01 *.Z01 *.001 *.zip *.ZIP);;Tous les fichiers (*)</translation>
    </message>
    <message>
        <source>Save the combined archive as</source>
        <translation>Enregistrer l&apos;archive assemblée sous</translation>
    </message>
    <message>
        <source>ZIP Files (*.zip)</source>
        <translation>Fichiers ZIP (*.zip)</translation>
    </message>
    <message>
        <source>Choose the first piece of the split archive.</source>
        <translation>Choisissez la première partie de l&apos;archive fractionnée.</translation>
    </message>
    <message>
        <source>Overwrite Existing File: </source>
        <translation>Écraser le fichier existant : </translation>
    </message>
    <message>
        <source>The split archive was put together as %1 from %2 pieces; its %3 entries passed their check.</source>
        <translation>L&apos;archive fractionnée a été assemblée en %1 à partir de %2 parties ; ses %3 entrées ont passé la vérification.</translation>
    </message>
    <message>
        <source>Combining the pieces...</source>
        <translation>Assemblage des parties...</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
</context>
<context>
    <name>TExtract</name>
    <message>
        <source>Select Extract Directory</source>
        <translation>Choisir le dossier d&apos;extraction</translation>
    </message>
    <message>
        <source>Destination folder</source>
        <translation>Dossier de destination</translation>
    </message>
    <message>
        <source>Extract With Directories</source>
        <translation>Extraire avec dossiers</translation>
    </message>
    <message>
        <source>No</source>
        <translation>Non</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Oui</translation>
    </message>
    <message>
        <source>OverWrite Existing Files</source>
        <translation>Écraser l&apos;existant</translation>
    </message>
    <message>
        <source>Files to Extract</source>
        <translation>Fichiers à extraire</translation>
    </message>
    <message>
        <source>All Files</source>
        <translation>Tous les fichiers</translation>
    </message>
    <message>
        <source>Selected Files</source>
        <translation>Fichiers choisis</translation>
    </message>
    <message>
        <source>Create New Folder</source>
        <translation>Nouveau dossier</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
</context>
<context>
    <name>TForm1</name>
    <message>
        <source>Password Require</source>
        <translation>Mot de passe requis</translation>
    </message>
    <message>
        <source>Password :</source>
        <translation>Mot de passe :</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Password corrected, now you can do any actions without inserting any password</source>
        <translation>Mot de passe correct, vous pouvez maintenant tout faire sans saisir de mot de passe</translation>
    </message>
    <message>
        <source>Wrong Password, Please Type Correct Password</source>
        <translation>Mot de passe erroné, saisissez le bon mot de passe</translation>
    </message>
</context>
<context>
    <name>TForm2</name>
    <message>
        <source>to set again please check enabled password and set up password correctly</source>
        <translation>pour le redéfinir, cochez « Mot de passe actif » et définissez correctement le mot de passe</translation>
    </message>
    <message>
        <source>Quembly Setting</source>
        <translation>Réglages de Quembly</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Mot de passe</translation>
    </message>
    <message>
        <source>Splitt zip</source>
        <translation>Découpage</translation>
    </message>
    <message>
        <source>Current Password :</source>
        <translation>Actuel :</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Enabled Password</source>
        <translation>Mot de passe actif</translation>
    </message>
    <message>
        <source>Change Password :</source>
        <translation>Nouveau :</translation>
    </message>
    <message>
        <source>Retype Password :</source>
        <translation>Confirmer :</translation>
    </message>
    <message>
        <source>Set Password</source>
        <translation>Définir</translation>
    </message>
    <message>
        <source>Minimum Size of Spliting :</source>
        <translation>Taille min. des parties :</translation>
    </message>
    <message>
        <source>MB </source>
        <translation>Mo </translation>
    </message>
    <message>
        <source>Example : 1.5 MB</source>
        <translation>Exemple : 1.5 Mo</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>Appliquer</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Fermer</translation>
    </message>
    <message>
        <source>Invalid Password</source>
        <translation>Mot de passe invalide</translation>
    </message>
    <message>
        <source>Your password is </source>
        <translation>Votre mot de passe est </translation>
    </message>
    <message>
        <source>Invalid numeric format : </source>
        <translation>Format numérique invalide : </translation>
    </message>
    <message>
        <source>Please type a numeric format</source>
        <translation>Veuillez saisir un nombre</translation>
    </message>
    <message>
        <source>Please set type some size in numeric format</source>
        <translation>Veuillez saisir une taille en chiffres</translation>
    </message>
    <message>
        <source>Minimum Size of splitting zip is </source>
        <translation>La taille minimale des parties du ZIP est de </translation>
    </message>
    <message>
        <source> MB</source>
        <translation> Mo</translation>
    </message>
    <message>
        <source>Your password is deleted,</source>
        <translation>Votre mot de passe est supprimé,</translation>
    </message>
</context>
<context>
    <name>TForm7</name>
    <message>
        <source>Create New Folder</source>
        <translation>Créer un dossier</translation>
    </message>
    <message>
        <source>Folder Name :</source>
        <translation>Nom du dossier :</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Directory is already exist</source>
        <translation>Ce dossier existe déjà</translation>
    </message>
    <message>
        <source>Cannot create Folder : </source>
        <translation>Impossible de créer le dossier : </translation>
    </message>
</context>
<context>
    <name>TMainform</name>
    <message>
        <source>Open Existing ZIP File</source>
        <translation>Ouvrir un fichier ZIP</translation>
    </message>
    <message>
        <source>Create New ZIP File</source>
        <translation>Créer un fichier ZIP</translation>
    </message>
    <message>
        <source>ZIP Files (*.ZIP)|*.zip</source>
        <translation>Fichiers ZIP (*.ZIP)|*.zip</translation>
    </message>
    <message>
        <source>Overwrite Existing File: </source>
        <translation>Écraser le fichier existant : </translation>
    </message>
    <message>
        <source>Zip file not found: </source>
        <translation>Fichier ZIP introuvable : </translation>
    </message>
    <message>
        <source>Are you sure you want to delete: </source>
        <translation>Voulez-vous vraiment supprimer : </translation>
    </message>
    <message>
        <source>Cannot delete </source>
        <translation>Impossible de supprimer </translation>
    </message>
    <message>
        <source>Error - no files selected</source>
        <translation>Erreur - aucun fichier sélectionné</translation>
    </message>
    <message>
        <source>Error - open a zip file first</source>
        <translation>Erreur - ouvrez d&apos;abord un fichier ZIP</translation>
    </message>
    <message>
        <source>Error - this pgm can NOT add files to a self-extracting archive</source>
        <translation>Erreur - ce programme ne peut PAS ajouter de fichiers à une archive auto-extractible</translation>
    </message>
    <message>
        <source>No files selected</source>
        <translation>Aucun fichier sélectionné</translation>
    </message>
    <message>
        <source>Beginning Add to </source>
        <translation>Début de l&apos;ajout à </translation>
    </message>
    <message>
        <source>Error in Add; Fatal DLL Exception in mainunit</source>
        <translation>Erreur d&apos;ajout ; exception fatale de la DLL dans le module principal</translation>
    </message>
    <message>
        <source> files were added</source>
        <translation> fichiers ajoutés</translation>
    </message>
    <message>
        <source>Error: file not found: </source>
        <translation>Erreur : fichier introuvable : </translation>
    </message>
    <message>
        <source>Error - no files to extract</source>
        <translation>Erreur - aucun fichier à extraire</translation>
    </message>
    <message>
        <source>Beginning Extract from </source>
        <translation>Début de l&apos;extraction de </translation>
    </message>
    <message>
        <source>Error in Extract; Fatal DLL Exception in mainunit</source>
        <translation>Erreur d&apos;extraction ; exception fatale de la DLL dans le module principal</translation>
    </message>
    <message>
        <source> files were extracted</source>
        <translation> fichiers extraits</translation>
    </message>
    <message>
        <source>Error - this pgm can NOT delete files from a self-extracting archive</source>
        <translation>Erreur - ce programme ne peut PAS supprimer de fichiers d&apos;une archive auto-extractible</translation>
    </message>
    <message>
        <source>Error - no files to delete</source>
        <translation>Erreur - aucun fichier à supprimer</translation>
    </message>
    <message>
        <source>Delete selected files from: </source>
        <translation>Supprimer les fichiers sélectionnés de : </translation>
    </message>
    <message>
        <source>Beginning delete from </source>
        <translation>Début de la suppression dans </translation>
    </message>
    <message>
        <source>Fatal error trying to delete</source>
        <translation>Erreur fatale lors de la suppression</translation>
    </message>
    <message>
        <source> files were Deleted</source>
        <translation> fichiers supprimés</translation>
    </message>
    <message>
        <source>Quembly 1.0</source>
        <translation>Quembly 1.0</translation>
    </message>
    <message>
        <source>Ostrel file (*.zip)|*.zip</source>
        <translation>Fichier ZIP (*.zip)|*.zip</translation>
    </message>
    <message>
        <source>Cannot create </source>
        <translation>Impossible de créer </translation>
    </message>
    <message>
        <source>File Name</source>
        <translation>Nom du fichier</translation>
    </message>
    <message>
        <source>Compress Size</source>
        <translation>Taille compressée</translation>
    </message>
    <message>
        <source>Uncompress Size</source>
        <translation>Taille d&apos;origine</translation>
    </message>
    <message>
        <source>Date/Time</source>
        <translation>Date/Heure</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Fichier</translation>
    </message>
    <message>
        <source>&amp;New ZIP</source>
        <translation>&amp;Nouveau ZIP</translation>
    </message>
    <message>
        <source>&amp;Open ZIP</source>
        <translation>&amp;Ouvrir un ZIP</translation>
    </message>
    <message>
        <source>&amp;Delete ZIP</source>
        <translation>&amp;Supprimer le ZIP</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Quitter</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Affichage</translation>
    </message>
    <message>
        <source>&amp;Open Files</source>
        <translation>&amp;Ouvrir les fichiers</translation>
    </message>
    <message>
        <source>Open &amp;With</source>
        <translation>Ouvrir &amp;avec</translation>
    </message>
    <message>
        <source>Files &amp;Properties</source>
        <translation>&amp;Propriétés</translation>
    </message>
    <message>
        <source>&amp;Tool</source>
        <translation>O&amp;utils</translation>
    </message>
    <message>
        <source>&amp;Extract Files</source>
        <translation>&amp;Extraire les fichiers</translation>
    </message>
    <message>
        <source>&amp;Add Files</source>
        <translation>&amp;Ajouter des fichiers</translation>
    </message>
    <message>
        <source>&amp;Delete Files</source>
        <translation>&amp;Supprimer les fichiers</translation>
    </message>
    <message>
        <source>&amp;Option</source>
        <translation>O&amp;ptions</translation>
    </message>
    <message>
        <source>&amp;Combine ZIP</source>
        <translation>&amp;Assembler un ZIP</translation>
    </message>
    <message>
        <source>Con&amp;figure</source>
        <translation>&amp;Réglages</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>A&amp;ide</translation>
    </message>
    <message>
        <source>&amp;Quembly Help</source>
        <translation>Aide de &amp;Quembly</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>À &amp;propos</translation>
    </message>
    <message>
        <source>&amp;Open Selected File</source>
        <translation>&amp;Ouvrir la sélection</translation>
    </message>
    <message>
        <source>Open &amp;with ...</source>
        <translation>Ouvrir &amp;avec ...</translation>
    </message>
    <message>
        <source>&amp;Extract Selected File</source>
        <translation>&amp;Extraire la sélection</translation>
    </message>
    <message>
        <source>&amp;Delete Selected File</source>
        <translation>&amp;Supprimer la sélection</translation>
    </message>
    <message>
        <source>&amp;Properties</source>
        <translation>&amp;Propriétés</translation>
    </message>
    <message>
        <source>Toolbar</source>
        <translation>Barre d&apos;outils</translation>
    </message>
    <message>
        <source>Click to Create New ZIP</source>
        <translation>Cliquez pour créer un nouveau ZIP</translation>
    </message>
    <message>
        <source>Click to Open ZIP on your computer</source>
        <translation>Cliquez pour ouvrir un ZIP de votre ordinateur</translation>
    </message>
    <message>
        <source>Click to Delete Zip file and All zip content</source>
        <translation>Cliquez pour supprimer le fichier ZIP et tout son contenu</translation>
    </message>
    <message>
        <source>Click to Extract zip</source>
        <translation>Cliquez pour extraire le ZIP</translation>
    </message>
    <message>
        <source>Click to Add some files to ZIP</source>
        <translation>Cliquez pour ajouter des fichiers au ZIP</translation>
    </message>
    <message>
        <source>Click to Delete the selected file</source>
        <translation>Cliquez pour supprimer le fichier sélectionné</translation>
    </message>
    <message>
        <source>Click to combine the splitted zip</source>
        <translation>Cliquez pour assembler le ZIP fractionné</translation>
    </message>
    <message>
        <source>Click to Configure Quembly</source>
        <translation>Cliquez pour configurer Quembly</translation>
    </message>
    <message>
        <source>Click to view help file</source>
        <translation>Cliquez pour afficher l&apos;aide</translation>
    </message>
    <message>
        <source>New ZIP</source>
        <translation>Nouveau ZIP</translation>
    </message>
    <message>
        <source>Open ZIP</source>
        <translation>Ouvrir un ZIP</translation>
    </message>
    <message>
        <source>Delete ZIP</source>
        <translation>Supprimer le ZIP</translation>
    </message>
    <message>
        <source>Extract Files</source>
        <translation>Extraire les fichiers</translation>
    </message>
    <message>
        <source>Add Files</source>
        <translation>Ajouter des fichiers</translation>
    </message>
    <message>
        <source>Delete Files</source>
        <translation>Supprimer les fichiers</translation>
    </message>
    <message>
        <source>Combine ZIP</source>
        <translation>Assembler un ZIP</translation>
    </message>
    <message>
        <source>Configure</source>
        <translation>Réglages</translation>
    </message>
    <message>
        <source>Quembly Help</source>
        <translation>Aide de Quembly</translation>
    </message>
    <message>
        <source>Zip Name:</source>
        <translation>Nom ZIP :</translation>
    </message>
    <message>
        <source>Archive entries</source>
        <translation>Entrées de l&apos;archive</translation>
    </message>
    <message>
        <source>Double click to view the selected file</source>
        <translation>Double-cliquez pour ouvrir le fichier sélectionné</translation>
    </message>
    <message>
        <source>files</source>
        <translation>fich.</translation>
    </message>
    <message>
        <source>application (*.exe)|*.exe</source>
        <translation>programme (*.exe)|*.exe</translation>
    </message>
    <message>
        <source>application|*</source>
        <translation>programme|*</translation>
    </message>
    <message>
        <source>File Name         : </source>
        <translation>Nom du fichier    : </translation>
    </message>
    <message>
        <source>Extension file    : </source>
        <translation>Extension         : </translation>
    </message>
    <message>
        <source>Compressed Size   : </source>
        <translation>Taille compressée : </translation>
    </message>
    <message>
        <source>Uncompressed Size : </source>
        <translation>Taille d&apos;origine  : </translation>
    </message>
    <message>
        <source>Modified          : </source>
        <translation>Modifié le        : </translation>
    </message>
    <message>
        <source>Create a new archive for the %1 dropped items?</source>
        <translation>Créer une nouvelle archive pour les %1 éléments déposés ?</translation>
    </message>
    <message>
        <source>Add %1 items to %2?</source>
        <translation>Ajouter %1 éléments à %2 ?</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Ajout</translation>
    </message>
    <message>
        <source>Cannot create a folder in </source>
        <translation>Impossible de créer un dossier dans </translation>
    </message>
    <message>
        <source>Extract</source>
        <translation>Extraction</translation>
    </message>
    <message>
        <source>%1 failed: %2</source>
        <translation>Échec de l&apos;opération %1 : %2</translation>
    </message>
    <message>
        <source>Operation</source>
        <translation>Opération</translation>
    </message>
    <message>
        <source>Cancelled: </source>
        <translation>Annulé : </translation>
    </message>
    <message>
        <source>, %1 skipped</source>
        <translation>, %1 ignorés</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Suppression</translation>
    </message>
    <message>
        <source>Cannot use %1: it is a link, not a folder, or not yours</source>
        <translation>Impossible d&apos;utiliser %1 : c&apos;est un lien, pas un dossier, ou il ne vous appartient pas</translation>
    </message>
    <message>
        <source>An operation is still running. Cancel it and quit?</source>
        <translation>Une opération est en cours. L&apos;annuler et quitter ?</translation>
    </message>
    <message>
        <source>Please wait: an operation is still running.</source>
        <translation>Veuillez patienter : une opération est en cours.</translation>
    </message>
    <message>
        <source>&amp;Test Archive</source>
        <translation>&amp;Tester l&apos;archive</translation>
    </message>
    <message>
        <source>&amp;Test Selected Files</source>
        <translation>&amp;Tester la sélection</translation>
    </message>
    <message>
        <source>Error - no files to test</source>
        <translation>Erreur - aucun fichier à tester</translation>
    </message>
    <message>
        <source>Beginning Test of </source>
        <translation>Début du test de </translation>
    </message>
    <message>
        <source> files tested sound</source>
        <translation> fichiers testés sans erreur</translation>
    </message>
    <message>
        <source> files tested sound, %1 failed</source>
        <translation> fichiers testés sans erreur, %1 en échec</translation>
    </message>
    <message>
        <source>Error in Test; Fatal DLL Exception in mainunit</source>
        <translation>Erreur de test ; exception fatale de la DLL dans le module principal</translation>
    </message>
    <message>
        <source>Test</source>
        <translation>Test</translation>
    </message>
    <message>
        <source>&amp;Name Encoding</source>
        <translation>&amp;Encodage des noms</translation>
    </message>
    <message>
        <source>Automatic</source>
        <translation>Automatique</translation>
    </message>
    <message>
        <source>Wrong password for %1</source>
        <translation>Mot de passe erroné pour %1</translation>
    </message>
</context>
<context>
    <name>TMsgform</name>
    <message>
        <source>File being manipulated</source>
        <translation>Fichier en cours</translation>
    </message>
    <message>
        <source>Quembly Messages</source>
        <translation>Messages de Quembly</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
</context>
<context>
    <name>Tformabout</name>
    <message>
        <source>About</source>
        <translation>À propos</translation>
    </message>
    <message>
        <source>Version 1.0</source>
        <translation>Version 1.0</translation>
    </message>
    <message>
        <source>Quembly is free to use. Keep a copy of your archives.</source>
        <translation>Quembly est gratuit. Gardez une copie de vos archives.</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Fermer</translation>
    </message>
</context>
</TS>
