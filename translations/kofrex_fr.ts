<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr">
<context>
    <name>QProgressDialog</name>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
</context>
<context>
    <name>kofrex::AddReport</name>
    <message>
        <source>its stored name %1 is already in the archive</source>
        <translation>son nom enregistré %1 figure déjà dans l’archive</translation>
    </message>
    <message>
        <source>it is not a regular file</source>
        <translation>ce n’est pas un fichier ordinaire</translation>
    </message>
    <message>
        <source>it cannot be read</source>
        <translation>il ne peut pas être lu</translation>
    </message>
    <message>
        <source>it is the archive itself</source>
        <translation>c’est l’archive elle-même</translation>
    </message>
    <message>
        <source>the archive is gone or is no longer an archive that Kofrex can read</source>
        <translation>l’archive a disparu ou n’est plus une archive que Kofrex peut lire</translation>
    </message>
    <message>
        <source>another program changed the archive meanwhile</source>
        <translation>un autre programme a modifié l’archive entre-temps</translation>
    </message>
    <message>
        <source>This file was not stored:</source>
        <translation>Ce fichier n’a pas été enregistré&#xa0;:</translation>
    </message>
    <message>
        <source>These files were not stored:</source>
        <translation>Ces fichiers n’ont pas été enregistrés&#xa0;:</translation>
    </message>
    <message>
        <source>the entry is no longer in the archive</source>
        <translation>l’entrée n’est plus dans l’archive</translation>
    </message>
    <message>
        <source>its stored name would be empty</source>
        <translation>son nom enregistré serait vide</translation>
    </message>
    <message>
        <source>&apos;%1&apos; exists already and was left alone.</source>
        <translation>«&#xa0;%1&#xa0;» existe déjà et n’a pas été modifié.</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is the archive itself and was left alone: writing the entry over it would lose every other entry.</source>
        <translation>«&#xa0;%1&#xa0;» est l’archive elle-même et n’a pas été modifiée&#xa0;: y écrire l’entrée ferait perdre toutes les autres entrées.</translation>
    </message>
    <message>
        <source>Not every file was extracted:</source>
        <translation>Tous les fichiers n’ont pas été extraits&#xa0;:</translation>
    </message>
    <message>
        <source>%1 is stored as %2.</source>
        <translation>%1 est enregistré sous %2.</translation>
    </message>
    <message>
        <source>Stored names are upper case, in Windows-1252 and at most 15 bytes long:</source>
        <translation>Les noms enregistrés sont en majuscules, en Windows-1252 et longs de 15 octets au plus&#xa0;:</translation>
    </message>
</context>
<context>
    <name>kofrex::ArchiveError</name>
    <message>
        <source>the disk is full. Free some space and try again.</source>
        <translation>le disque est plein. Libérez de l’espace et réessayez.</translation>
    </message>
    <message>
        <source>your disk quota is used up. Free some space and try again.</source>
        <translation>votre quota de disque est épuisé. Libérez de l’espace et réessayez.</translation>
    </message>
    <message>
        <source>permission denied. Choose a file and folder you may write to, or ask their owner for access.</source>
        <translation>permission refusée. Choisissez un fichier et un dossier où vous avez le droit d’écrire, ou demandez l’accès à leur propriétaire.</translation>
    </message>
    <message>
        <source>the disk is mounted read-only.</source>
        <translation>le disque est monté en lecture seule.</translation>
    </message>
    <message>
        <source>it does not exist (it may have been moved or deleted).</source>
        <translation>il n’existe pas (il a peut-être été déplacé ou supprimé).</translation>
    </message>
    <message>
        <source>a part of the path is not a folder.</source>
        <translation>une partie du chemin n’est pas un dossier.</translation>
    </message>
    <message>
        <source>it is a folder.</source>
        <translation>c’est un dossier.</translation>
    </message>
    <message>
        <source>the name is longer than the file system allows.</source>
        <translation>le nom est plus long que ce que permet le système de fichiers.</translation>
    </message>
    <message>
        <source>the disk reported an input/output error.</source>
        <translation>le disque a signalé une erreur d’entrée/sortie.</translation>
    </message>
    <message>
        <source>the file would be larger than this file system or your limits allow.</source>
        <translation>le fichier dépasserait la taille que permettent ce système de fichiers ou vos limites.</translation>
    </message>
    <message>
        <source>Could not open %1: %2</source>
        <translation>Impossible d’ouvrir %1&#xa0;: %2</translation>
    </message>
    <message>
        <source>Could not read %1: %2</source>
        <translation>Impossible de lire %1&#xa0;: %2</translation>
    </message>
    <message>
        <source>Could not write %1: %2</source>
        <translation>Impossible d’écrire %1&#xa0;: %2</translation>
    </message>
    <message>
        <source>Could not replace %1: %2</source>
        <translation>Impossible de remplacer %1&#xa0;: %2</translation>
    </message>
    <message>
        <source>Could not create a file in the folder %1: %2</source>
        <translation>Impossible de créer un fichier dans le dossier %1&#xa0;: %2</translation>
    </message>
    <message>
        <source>Could not write to the folder %1: %2</source>
        <translation>Impossible d’écrire dans le dossier %1&#xa0;: %2</translation>
    </message>
    <message>
        <source>The archive %1 would grow past 2,147,483,647 bytes, the most a .kfx archive can hold. Store the file in another archive.</source>
        <translation>L’archive %1 dépasserait 2&#xa0;147&#xa0;483&#xa0;647 octets, le maximum que peut contenir une archive .kfx. Enregistrez le fichier dans une autre archive.</translation>
    </message>
    <message>
        <source>The file %1 is larger than 2,147,483,647 bytes, the most a .kfx archive can hold.</source>
        <translation>Le fichier %1 dépasse 2&#xa0;147&#xa0;483&#xa0;647 octets, le maximum que peut contenir une archive .kfx.</translation>
    </message>
    <message>
        <source>The archive %1 is shorter than its directory says: another program has changed it. Open it again.</source>
        <translation>L’archive %1 est plus courte que ne l’indique son répertoire&#xa0;: un autre programme l’a modifiée. Ouvrez-la de nouveau.</translation>
    </message>
    <message>
        <source>Could not write %1: it is not a regular file (a folder, a device, a pipe or a socket). Choose a file.</source>
        <translation>Impossible d’écrire %1&#xa0;: ce n’est pas un fichier ordinaire (un dossier, un périphérique, un tube ou un socket). Choisissez un fichier.</translation>
    </message>
    <message>
        <source>Kofrex leaves %1 unchanged: it has other hard links, which replacing it would split from it. Copy it to a file of its own first.</source>
        <translation>Kofrex ne modifie pas %1&#xa0;: ce fichier a d’autres liens physiques, que son remplacement séparerait de lui. Copiez-le d’abord dans un fichier à part.</translation>
    </message>
    <message>
        <source>Kofrex does not follow the link %1: it belongs to another user and lies in a folder that every user may write to, where anyone can plant a link. Choose another name.</source>
        <translation>Kofrex ne suit pas le lien %1&#xa0;: il appartient à un autre utilisateur et se trouve dans un dossier où tout utilisateur peut écrire, et donc placer un lien. Choisissez un autre nom.</translation>
    </message>
    <message>
        <source>Could not replace %1: in the folder %2 only the file&apos;s owner or the folder&apos;s owner may replace it. Copy it to a folder of your own first.</source>
        <translation>Impossible de remplacer %1&#xa0;: dans le dossier %2, seul le propriétaire du fichier ou celui du dossier peut le remplacer. Copiez-le d’abord dans un dossier à vous.</translation>
    </message>
    <message>
        <source>Could not replace %1: you may not create files in the folder %2. Copy it to a folder of your own first.</source>
        <translation>Impossible de remplacer %1&#xa0;: vous n’avez pas le droit de créer des fichiers dans le dossier %2. Copiez-le d’abord dans un dossier à vous.</translation>
    </message>
    <message>
        <source>Kofrex leaves %1 unchanged: it belongs to another user, and adding to it would make it yours. Ask its owner to add the file, or copy the archive first.</source>
        <translation>Kofrex ne modifie pas %1&#xa0;: elle appartient à un autre utilisateur, et y ajouter un fichier en ferait la vôtre. Demandez à son propriétaire d’ajouter le fichier, ou copiez d’abord l’archive.</translation>
    </message>
    <message>
        <source>The archive %1 was replaced by another program while Kofrex was adding to it, so nothing was added. Its list has been read again; add the file once more.</source>
        <translation>L’archive %1 a été remplacée par un autre programme pendant que Kofrex y ajoutait des fichiers&#xa0;; rien n’a donc été ajouté. Sa liste a été relue&#xa0;; ajoutez de nouveau le fichier.</translation>
    </message>
    <message>
        <source>Kofrex cannot add to %1: an entry&apos;s data lie inside the archive&apos;s directory, which an add would change. Extract its files and store them in a new archive.</source>
        <translation>Kofrex ne peut rien ajouter à %1&#xa0;: les données d’une entrée se trouvent dans le répertoire de l’archive, qu’un ajout modifierait. Extrayez ses fichiers et enregistrez-les dans une nouvelle archive.</translation>
    </message>
    <message>
        <source>Could not create the folder %1: %2</source>
        <translation>Impossible de créer le dossier %1&#xa0;: %2</translation>
    </message>
    <message>
        <source>Kofrex leaves %1 unchanged: it is the archive the entries are read from, and writing an entry over it would lose every other entry.</source>
        <translation>Kofrex laisse %1 inchangé&#xa0;: c’est l’archive dont les entrées sont lues, et y écrire une entrée ferait perdre toutes les autres entrées.</translation>
    </message>
</context>
<context>
    <name>kofrex::CommandLine</name>
    <message>
        <source>There is no file &apos;%1&apos;.</source>
        <translation>Il n’existe aucun fichier «&#xa0;%1&#xa0;».</translation>
    </message>
    <message>
        <source>The file &apos;%1&apos; cannot be read.</source>
        <translation>Le fichier «&#xa0;%1&#xa0;» ne peut pas être lu.</translation>
    </message>
    <message>
        <source>No entry is stored as &apos;%1&apos;.</source>
        <translation>Aucune entrée n’est enregistrée sous «&#xa0;%1&#xa0;».</translation>
    </message>
    <message>
        <source>The list could not be written.</source>
        <translation>La liste n’a pas pu être écrite.</translation>
    </message>
    <message>
        <source>The text could not be written.</source>
        <translation>Le texte n’a pas pu être écrit.</translation>
    </message>
    <message>
        <source>Adding</source>
        <translation>Ajout</translation>
    </message>
    <message>
        <source>Cancelled: the archive is as it was.</source>
        <translation>Annulé&#xa0;: l’archive est restée telle quelle.</translation>
    </message>
    <message>
        <source>Extracting</source>
        <translation>Extraction</translation>
    </message>
    <message>
        <source>Cancelled: the files written so far are kept, none in part.</source>
        <translation>Annulé&#xa0;: les fichiers déjà écrits sont conservés, aucun n’est incomplet.</translation>
    </message>
    <message>
        <source>&apos;%1&apos; exists already and was left alone (--overwrite replaces it).</source>
        <translation>«&#xa0;%1&#xa0;» existe déjà et n’a pas été modifié (--overwrite le remplace).</translation>
    </message>
    <message>
        <source>The archive &apos;%1&apos; changed while it was read; nothing was written.</source>
        <translation>L’archive «&#xa0;%1&#xa0;» a changé pendant sa lecture&#xa0;; rien n’a été écrit.</translation>
    </message>
    <message>
        <source>List the entries of ARCHIVE: stored name, size and 1-based offset, tab-separated, one entry a line.</source>
        <translation>Liste les entrées d’ARCHIVE&#xa0;: nom enregistré, taille et position à partir de 1, séparés par des tabulations, une entrée par ligne.</translation>
    </message>
    <message>
        <source>With --list: a JSON array of {&quot;name&quot;, &quot;size&quot;, &quot;offset&quot;} instead.</source>
        <translation>Avec --list&#xa0;: un tableau JSON de {&quot;name&quot;, &quot;size&quot;, &quot;offset&quot;} à la place.</translation>
    </message>
    <message>
        <source>Store each FILE in &lt;archive&gt;, in one rewrite; the archive is created when nothing is there. Each file not stored is named with the reason.</source>
        <translation>Enregistre chaque FICHIER dans &lt;archive&gt;, en une seule réécriture&#xa0;; l’archive est créée si rien n’existe à cet endroit. Chaque fichier non enregistré est indiqué avec la raison.</translation>
    </message>
    <message>
        <source>Write every entry of ARCHIVE, or those stored as the NAMEs (case and padding ignored), into &lt;folder&gt;, created with its parents when missing, under safe file names. Files already there are left alone.</source>
        <translation>Écrit chaque entrée d’ARCHIVE, ou celles enregistrées sous les NOMs (sans tenir compte de la casse ni du remplissage), dans &lt;folder&gt;, créé avec ses parents s’il manque, sous des noms de fichier sûrs. Les fichiers déjà présents ne sont pas modifiés.</translation>
    </message>
    <message>
        <source>The archive to open when the window starts.</source>
        <translation>L’archive à ouvrir au démarrage de la fenêtre.</translation>
    </message>
    <message>
        <source>--list takes one archive.</source>
        <translation>--list attend une archive.</translation>
    </message>
    <message>
        <source>--add-to takes the archive and at least one file.</source>
        <translation>--add-to attend l’archive et au moins un fichier.</translation>
    </message>
    <message>
        <source>--extract-to takes the folder and the archive.</source>
        <translation>--extract-to attend le dossier et l’archive.</translation>
    </message>
    <message>
        <source>--json goes with --list.</source>
        <translation>--json va avec --list.</translation>
    </message>
    <message>
        <source>Name one archive at most.</source>
        <translation>Indiquez une archive au plus.</translation>
    </message>
    <message>
        <source>Waiting for another program to finish with the archive (Ctrl+C cancels)</source>
        <translation>Attente qu’un autre programme en ait fini avec l’archive (Ctrl+C annule)</translation>
    </message>
    <message>
        <source>No entry of &apos;%1&apos; lies whole in it: nothing was recovered.</source>
        <translation>Aucune entrée de «&#xa0;%1&#xa0;» n’y est entière&#xa0;: rien n’a été récupéré.</translation>
    </message>
    <message>
        <source>Write every entry of the damaged ARCHIVE whose data lie whole in it into &lt;folder&gt;, as --extract-to writes them all, and name each entry that could not be recovered, and why.</source>
        <translation>Écrit chaque entrée de l’ARCHIVE endommagée dont les données y sont entières dans &lt;folder&gt;, comme --extract-to les écrit toutes, et nomme chaque entrée qui n’a pas pu être récupérée, avec la raison.</translation>
    </message>
    <message>
        <source>--salvage-to takes the folder and one archive.</source>
        <translation>--salvage-to attend le dossier et une archive.</translation>
    </message>
    <message>
        <source>Extracting %1…</source>
        <translation>Extraction de %1…</translation>
    </message>
    <message>
        <source>Adding to %1…</source>
        <translation>Ajout à %1…</translation>
    </message>
    <message>
        <source>Write every entry of each ARCHIVE beside it: a single entry into the archive&apos;s folder, several into a folder named after the archive.</source>
        <translation>Écrit chaque entrée de chaque ARCHIVE à côté d’elle&#xa0;: une entrée seule dans le dossier de l’archive, plusieurs dans un dossier nommé d’après l’archive.</translation>
    </message>
    <message>
        <source>Ask for the archive to store each FILE in, proposing one named after the first file (after their folder for several).</source>
        <translation>Demande l’archive où ranger chaque FICHIER, en proposant une archive nommée d’après le premier fichier (d’après leur dossier s’il y en a plusieurs).</translation>
    </message>
    <message>
        <source>Ask for the folder to write every entry of each ARCHIVE into.</source>
        <translation>Demande le dossier où écrire chaque entrée de chaque ARCHIVE.</translation>
    </message>
    <message>
        <source>With --extract-to, --extract-here or --salvage-to: replace files already there.</source>
        <translation>Avec --extract-to, --extract-here ou --salvage-to&#xa0;: remplace les fichiers déjà présents.</translation>
    </message>
    <message>
        <source>--extract-here takes at least one archive.</source>
        <translation>--extract-here attend au moins une archive.</translation>
    </message>
    <message>
        <source>Give one of --list, --add-to, --extract-to, --salvage-to, --extract-here, --add and --extract.</source>
        <translation>Donnez une seule option parmi --list, --add-to, --extract-to, --salvage-to, --extract-here, --add et --extract.</translation>
    </message>
    <message>
        <source>--add and --extract take at least one file.</source>
        <translation>--add et --extract attendent au moins un fichier.</translation>
    </message>
    <message>
        <source>--overwrite goes with --extract-to, --extract-here or --salvage-to.</source>
        <translation>--overwrite va avec --extract-to, --extract-here ou --salvage-to.</translation>
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
        <translation>Range des fichiers dans une archive .kfx et les en extrait.

Sans commande, ouvre la fenêtre, avec l’archive nommée. Ces commandes fonctionnent
sans fenêtre ni affichage, pour les scripts et les gestionnaires de fichiers&#xa0;:
  kofrex --list [--json] ARCHIVE
  kofrex --add-to ARCHIVE FICHIER...
  kofrex --extract-to DOSSIER [--overwrite] ARCHIVE [NOM...]
  kofrex --salvage-to DOSSIER [--overwrite] ARCHIVE
  kofrex --extract-here [--overwrite] ARCHIVE...
Celles-ci demandent d’abord, dans le sélecteur de fichiers du bureau, pour les actions des
gestionnaires de fichiers&#xa0;:
  kofrex --add FICHIER...
  kofrex --extract ARCHIVE...
Lancées depuis le bureau sans terminal, les commandes affichent leur progression dans une
fenêtre et ce qu’elles ont omis dans un message.
Dans un terminal, un long travail affiche sa progression et Ctrl+C l’annule, en laissant
l’archive telle quelle. Code de sortie&#xa0;: 0 quand tout ce qui était demandé a été fait, 1 quand
la ligne de commande est fausse ou que quelque chose a échoué ou a été omis (chacun nommé sur stderr).</translation>
    </message>
</context>
<context>
    <name>kofrex::Damage</name>
    <message>
        <source>&apos;%1&apos; was not recovered. %2</source>
        <translation>«&#xa0;%1&#xa0;» n’a pas été récupéré. %2</translation>
    </message>
    <message>
        <source>It is not a regular file but a pipe, a device or a socket.</source>
        <translation>Ce n’est pas un fichier ordinaire mais un tube, un périphérique ou un socket.</translation>
    </message>
    <message>
        <source>It is shorter than the 9 bytes of an archive&apos;s header.</source>
        <translation>Il est plus court que les 9 octets de l’en-tête d’une archive.</translation>
    </message>
    <message>
        <source>It does not start with the signature KFRX.</source>
        <translation>Il ne commence pas par la signature KFRX.</translation>
    </message>
    <message>
        <source>It is of version %1; Kofrex reads version 1.</source>
        <translation>Il est de version %1&#xa0;; Kofrex lit la version 1.</translation>
    </message>
    <message>
        <source>Its header promises %1 entries, a negative number.</source>
        <translation>Son en-tête annonce %1 entrées, un nombre négatif.</translation>
    </message>
    <message>
        <source>Its directory runs past the end of the file: %1 entries promised, %2 fit.</source>
        <translation>Son répertoire dépasse la fin du fichier&#xa0;: %1 entrées annoncées, %2 y tiennent.</translation>
    </message>
    <message>
        <source>The data of entry %1 start at position %2, before the file&apos;s first byte.</source>
        <translation>Les données de l’entrée %1 commencent à la position %2, avant le premier octet du fichier.</translation>
    </message>
    <message>
        <source>Entry %1 has a negative size, %2 bytes.</source>
        <translation>L’entrée %1 a une taille négative, %2 octets.</translation>
    </message>
    <message>
        <source>The data of entry %1 run past the end of the file; bytes missing: %2.</source>
        <translation>Les données de l’entrée %1 dépassent la fin du fichier&#xa0;; octets manquants&#xa0;: %2.</translation>
    </message>
</context>
<context>
    <name>kofrex::QtMessageBox</name>
    <message>
        <source>Open Folder</source>
        <translation>Ouvrir le dossier</translation>
    </message>
    <message>
        <source>Open With…</source>
        <translation>Ouvrir avec…</translation>
    </message>
</context>
<context>
    <name>kofrex::WorkProgress</name>
    <message>
        <source>Waiting for another program to finish with the archive…</source>
        <translation>Attente qu’un autre programme en ait fini avec l’archive…</translation>
    </message>
</context>
<context>
    <name>kofrex::frmMain</name>
    <message>
        <source>Extract all files to...</source>
        <translation>Extraire tous les fichiers vers…</translation>
    </message>
    <message>
        <source>Replace with...</source>
        <translation>Remplacer par…</translation>
    </message>
    <message>
        <source>All files (*.*)|*.*</source>
        <translation>Tous les fichiers (*.*)|*.*</translation>
    </message>
    <message>
        <source>The file &apos;%1&apos; already exists. Overwrite it?</source>
        <translation>Le fichier «&#xa0;%1&#xa0;» existe déjà. Voulez-vous le remplacer&#xa0;?</translation>
    </message>
    <message>
        <source>Overwrite</source>
        <translation>Remplacer</translation>
    </message>
    <message>
        <source>Extracting %1 files…</source>
        <translation>Extraction de %1 fichiers…</translation>
    </message>
    <message>
        <source>Opening %1…</source>
        <translation>Ouverture de %1…</translation>
    </message>
    <message>
        <source>Extracting %1…</source>
        <translation>Extraction de %1…</translation>
    </message>
    <message>
        <source>No program could be found to open &apos;%1&apos;.</source>
        <translation>Aucun programme n’a été trouvé pour ouvrir «&#xa0;%1&#xa0;».</translation>
    </message>
    <message>
        <source>Delete &apos;%1&apos; from the archive?</source>
        <translation>Supprimer «&#xa0;%1&#xa0;» de l’archive&#xa0;?</translation>
    </message>
    <message>
        <source>Deleting %1…</source>
        <translation>Suppression de %1…</translation>
    </message>
    <message>
        <source>Nothing was deleted: the archive is gone or is no longer an archive that Kofrex can read.</source>
        <translation>Rien n’a été supprimé&#xa0;: l’archive a disparu ou n’est plus une archive que Kofrex peut lire.</translation>
    </message>
    <message>
        <source>New name for &apos;%1&apos;:</source>
        <translation>Nouveau nom pour «&#xa0;%1&#xa0;»&#xa0;:</translation>
    </message>
    <message>
        <source>Rename</source>
        <translation>Renommer</translation>
    </message>
    <message>
        <source>Renaming %1…</source>
        <translation>Renommage de %1…</translation>
    </message>
    <message>
        <source>Nothing was renamed: the stored name %1 is already in the archive.</source>
        <translation>Rien n’a été renommé&#xa0;: le nom enregistré %1 figure déjà dans l’archive.</translation>
    </message>
    <message>
        <source>Replacing %1…</source>
        <translation>Remplacement de %1…</translation>
    </message>
    <message>
        <source>Error %1: %2</source>
        <translation>Erreur %1&#xa0;: %2</translation>
    </message>
    <message>
        <source>Out of memory</source>
        <translation>Mémoire insuffisante</translation>
    </message>
    <message>
        <source>An unexpected error occurred</source>
        <translation>Une erreur inattendue s’est produite</translation>
    </message>
    <message>
        <source>Kofrex Archives (*.kfx)|*.kfx|All files (*.*)|*.*</source>
        <translation>Archives Kofrex (*.kfx)|*.kfx|Tous les fichiers (*.*)|*.*</translation>
    </message>
    <message>
        <source>New archive...</source>
        <translation>Nouvelle archive…</translation>
    </message>
    <message>
        <source>Open archive...</source>
        <translation>Ouvrir une archive…</translation>
    </message>
    <message>
        <source>Extract file from archive...</source>
        <translation>Extraire un fichier de l’archive…</translation>
    </message>
    <message>
        <source>&amp;Extract...</source>
        <translation>&amp;Extraire…</translation>
    </message>
    <message>
        <source>Chunk info</source>
        <translation>Informations sur l’entrée</translation>
    </message>
    <message>
        <source>Offset:</source>
        <translation>Position&#xa0;:</translation>
    </message>
    <message>
        <source>Size:</source>
        <translation>Taille&#xa0;:</translation>
    </message>
    <message>
        <source>&amp;New Archive...</source>
        <translation>&amp;Nouvelle archive…</translation>
    </message>
    <message>
        <source>&amp;Add...</source>
        <translation>&amp;Ajouter…</translation>
    </message>
    <message>
        <source>Files in archive:</source>
        <translation>Fichiers de l’archive&#xa0;:</translation>
    </message>
    <message>
        <source>Archive name:</source>
        <translation>Nom de l’archive&#xa0;:</translation>
    </message>
    <message>
        <source>Extract…</source>
        <translation>Extraire…</translation>
    </message>
    <message>
        <source>Extract All…</source>
        <translation>Tout extraire…</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Ouvrir</translation>
    </message>
    <message>
        <source>Replace With…</source>
        <translation>Remplacer par…</translation>
    </message>
    <message>
        <source>Rename…</source>
        <translation>Renommer…</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Supprimer</translation>
    </message>
    <message>
        <source>Kofrex - by Quorvane</source>
        <translation>Kofrex – par Quorvane</translation>
    </message>
    <message>
        <source>Open archive</source>
        <translation>Ouvrir une archive</translation>
    </message>
    <message>
        <source>Size: </source>
        <translation>Taille&#xa0;: </translation>
    </message>
    <message>
        <source>Offset: </source>
        <translation>Position&#xa0;: </translation>
    </message>
    <message>
        <source>Creating %1…</source>
        <translation>Création de %1…</translation>
    </message>
    <message>
        <source>The file &apos;%1&apos; is not an archive that Kofrex can read.</source>
        <translation>Le fichier «&#xa0;%1&#xa0;» n’est pas une archive que Kofrex peut lire.</translation>
    </message>
    <message>
        <source>Select a file that you would like to extract first.</source>
        <translation>Sélectionnez d’abord le fichier que vous souhaitez extraire.</translation>
    </message>
    <message>
        <source>A file cannot be extracted onto the archive itself.</source>
        <translation>Un fichier ne peut pas être extrait sur l’archive elle-même.</translation>
    </message>
    <message>
        <source>The archive has changed since it was opened. Its list has been read again; select the file once more.</source>
        <translation>L’archive a changé depuis son ouverture. Sa liste a été relue&#xa0;; sélectionnez de nouveau le fichier.</translation>
    </message>
    <message>
        <source>Size: %1 bytes</source>
        <translation>Taille&#xa0;: %1 octets</translation>
    </message>
    <message>
        <source>Offset: %1</source>
        <translation>Position&#xa0;: %1</translation>
    </message>
    <message>
        <source>Adding %1…</source>
        <translation>Ajout de %1…</translation>
    </message>
    <message>
        <source>Adding %1 files…</source>
        <translation>Ajout de %1 fichiers…</translation>
    </message>
    <message>
        <source>Nothing was renamed: &apos;%1&apos; gives no stored name.</source>
        <translation>Rien n’a été renommé&#xa0;: «&#xa0;%1&#xa0;» ne donne aucun nom enregistré.</translation>
    </message>
    <message>
        <source>%1 of %2 entries are whole. Extract them to a folder?</source>
        <translation>%1 entrées sur %2 sont entières. Les extraire dans un dossier&#xa0;?</translation>
    </message>
    <message>
        <source>Extracted to %1: %2 of %3 files.</source>
        <translation>Extrait dans %1&#xa0;: %2 fichiers sur %3.</translation>
    </message>
    <message>
        <source>Open archive (Ctrl+O)</source>
        <translation>Ouvrir une archive (Ctrl+O)</translation>
    </message>
    <message>
        <source>Create a new archive (Ctrl+N)</source>
        <translation>Créer une archive (Ctrl+N)</translation>
    </message>
    <message>
        <source>Add files to the archive (Alt+A)</source>
        <translation>Ajouter des fichiers à l’archive (Alt+A)</translation>
    </message>
    <message>
        <source>Extract the selected file (Alt+E)</source>
        <translation>Extraire le fichier sélectionné (Alt+E)</translation>
    </message>
    <message>
        <source>The archive &apos;%1&apos; is gone: another program has moved or deleted it.</source>
        <translation>L’archive «&#xa0;%1&#xa0;» a disparu&#xa0;: un autre programme l’a déplacée ou supprimée.</translation>
    </message>
    <message>
        <source>%1 - Kofrex - by Quorvane</source>
        <translation>%1 – Kofrex – par Quorvane</translation>
    </message>
    <message>
        <source>Extract the selected files to...</source>
        <translation>Extraire les fichiers sélectionnés vers…</translation>
    </message>
    <message>
        <source>Open %1 files, each in its own program?</source>
        <translation>Ouvrir %1 fichiers, chacun dans son programme&#xa0;?</translation>
    </message>
    <message>
        <source>Delete %1 files from the archive?</source>
        <translation>Supprimer %1 fichiers de l’archive&#xa0;?</translation>
    </message>
    <message>
        <source>Deleting %1 files…</source>
        <translation>Suppression de %1 fichiers…</translation>
    </message>
    <message>
        <source>Stored as: %1</source>
        <translation>Enregistré sous&#xa0;: %1</translation>
    </message>
    <message>
        <source>&apos;%1&apos; was changed. Update it in the archive?</source>
        <translation>«&#xa0;%1&#xa0;» a été modifié. Voulez-vous le mettre à jour dans l’archive&#xa0;?</translation>
    </message>
    <message>
        <source>Updating %1…</source>
        <translation>Mise à jour de %1…</translation>
    </message>
    <message>
        <source>&apos;%1&apos; could not be updated: another program changed the archive meanwhile, and its list has been read again. The edited file is kept at %2 until Kofrex closes.</source>
        <translation>«&#xa0;%1&#xa0;» n’a pas pu être mis à jour&#xa0;: un autre programme a modifié l’archive entre-temps, et sa liste a été relue. Le fichier modifié est conservé dans %2 jusqu’à la fermeture de Kofrex.</translation>
    </message>
    <message>
        <source>The edited file is kept at %1 until Kofrex closes.</source>
        <translation>Le fichier modifié est conservé dans %1 jusqu’à la fermeture de Kofrex.</translation>
    </message>
    <message>
        <source>Add to Kofrex archive</source>
        <translation>Ajouter à une archive Kofrex</translation>
    </message>
    <message>
        <source>Open with...</source>
        <translation>Ouvrir avec…</translation>
    </message>
    <message>
        <source>&apos;%1&apos; cannot be run: it is not a program. Choose a program file, such as one in %2.</source>
        <translation>«&#xa0;%1&#xa0;» ne peut pas être exécuté&#xa0;: ce n’est pas un programme. Choisissez un fichier de programme, par exemple dans %2.</translation>
    </message>
    <message>
        <source>&apos;%1&apos; could not be started.</source>
        <translation>«&#xa0;%1&#xa0;» n’a pas pu être démarré.</translation>
    </message>
</context>
</TS>
