<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>scandesk</name>
    <message>
        <source>scanner</source>
        <translation>Scan&amp;ner</translation>
    </message>
    <message>
        <source>refreshScanner</source>
        <translation>&amp;Refresh</translation>
    </message>
    <message>
        <source>Searching...</source>
        <translation>Searching...</translation>
    </message>
    <message>
        <source>scanSource</source>
        <translation>Scan s&amp;ource</translation>
    </message>
    <message>
        <source>colorMode</source>
        <translation>&amp;Colour mode</translation>
    </message>
    <message>
        <source>contenType</source>
        <translation>Con&amp;tent type</translation>
    </message>
    <message>
        <source>resolution</source>
        <translation>R&amp;esolution</translation>
    </message>
    <message>
        <source>combineType</source>
        <translation>Co&amp;mbine</translation>
    </message>
    <message>
        <source>pageSize</source>
        <translation>&amp;Page size</translation>
    </message>
    <message>
        <source>saveFileType</source>
        <translation>File t&amp;ype</translation>
    </message>
    <message>
        <source>rotateAngle</source>
        <translation>Rot&amp;ation</translation>
    </message>
    <message>
        <source>saveFileName</source>
        <translation>Fi&amp;le name</translation>
    </message>
    <message>
        <source>saveTo</source>
        <translation>Sa&amp;ve to</translation>
    </message>
    <message>
        <source>browser</source>
        <translation>&amp;Browse...</translation>
    </message>
    <message>
        <source>scan</source>
        <translation>&amp;Scan</translation>
    </message>
    <message>
        <source>ok</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>stopTwoPass</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>AUTO</source>
        <translation>Auto</translation>
    </message>
    <message>
        <source>ADF</source>
        <translation>Document feeder</translation>
    </message>
    <message>
        <source>FB</source>
        <translation>Flatbed</translation>
    </message>
    <message>
        <source>CGRAY</source>
        <translation>Colour</translation>
    </message>
    <message>
        <source>GRAY256</source>
        <translation>Greyscale</translation>
    </message>
    <message>
        <source>TEXT</source>
        <translation>Black and white</translation>
    </message>
    <message>
        <source>PHOTO</source>
        <translation>Photo</translation>
    </message>
    <message>
        <source>TYPE</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>NoCombine</source>
        <translation>No combining</translation>
    </message>
    <message>
        <source>CombinHorizontal</source>
        <translation>Two pages side by side</translation>
    </message>
    <message>
        <source>CombinVertical</source>
        <translation>Two pages one above the other</translation>
    </message>
    <message>
        <source>IDCard</source>
        <translation>ID card, both sides</translation>
    </message>
    <message>
        <source>A4</source>
        <translation>A4</translation>
    </message>
    <message>
        <source>A5</source>
        <translation>A5</translation>
    </message>
    <message>
        <source>A6</source>
        <translation>A6</translation>
    </message>
    <message>
        <source>B5(JIS)</source>
        <translation>B5 (JIS)</translation>
    </message>
    <message>
        <source>B5(ISO)</source>
        <translation>B5 (ISO)</translation>
    </message>
    <message>
        <source>Letter</source>
        <translation>Letter</translation>
    </message>
    <message>
        <source>Legal</source>
        <translation>Legal</translation>
    </message>
    <message>
        <source>Folio</source>
        <translation>Folio</translation>
    </message>
    <message>
        <source>4R</source>
        <translation>4R (4 × 6 in)</translation>
    </message>
    <message>
        <source>JPEG</source>
        <translation>JPEG image</translation>
    </message>
    <message>
        <source>BMP</source>
        <translation>BMP image</translation>
    </message>
    <message>
        <source>PDF</source>
        <translation>PDF document</translation>
    </message>
    <message>
        <source>0</source>
        <translation>0°</translation>
    </message>
    <message>
        <source>90</source>
        <translation>90° counter-clockwise</translation>
    </message>
    <message>
        <source>180</source>
        <translation>180°</translation>
    </message>
    <message>
        <source>270</source>
        <translation>270° counter-clockwise</translation>
    </message>
    <message>
        <source>error</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>info</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>noScannerFound</source>
        <translation>No scanner found.</translation>
    </message>
    <message>
        <source>noScannerAtAddress</source>
        <translation>No known scanner answered at %1.</translation>
    </message>
    <message>
        <source>noSaveDir</source>
        <translation>Choose a folder to save the scans in.</translation>
    </message>
    <message>
        <source>noSaveFileName</source>
        <translation>Enter a file name.</translation>
    </message>
    <message>
        <source>scanPage</source>
        <translation>Scanned</translation>
    </message>
    <message>
        <source>pages</source>
        <translation>pages.</translation>
    </message>
    <message>
        <source>cannotCreateReceiveDir</source>
        <translation>The folder for the scanned pages cannot be created.</translation>
    </message>
    <message>
        <source>cannotSavePDF</source>
        <translation>The PDF file cannot be written; the scanned pages are kept.</translation>
    </message>
    <message>
        <source>prefixTooLong</source>
        <translation>The file name prefix is too long: at most %1 bytes fit in this folder.</translation>
    </message>
    <message>
        <source>noPageScanned</source>
        <translation>The scanner ended the job without a page.</translation>
    </message>
    <message>
        <source>secondSideNotScanned</source>
        <translation>The second side was not scanned; the first side's page is kept in %1.</translation>
    </message>
    <message>
        <source>pagesKept</source>
        <translation>%1 page(s) kept in %2.</translation>
    </message>
    <message>
        <source>combineFailed</source>
        <translation>The pages could not be combined.</translation>
    </message>
    <message>
        <source>secondPassAgain</source>
        <translation>Click the OK button to scan the second side again.</translation>
    </message>
    <message>
        <source>invalidFileName</source>
        <translation>The file name must not contain "/".</translation>
    </message>
    <message>
        <source>请确保机器回到就绪状态后，放置下一页，然后点击确认按钮</source>
        <translation>Make sure the scanner is ready again, place the next page, then click the OK button.</translation>
    </message>
    <message>
        <source>请确保机器回到就绪状态后，将身份证翻面，然后点击确认按钮</source>
        <translation>Make sure the scanner is ready again, turn the ID card over, then click the OK button.</translation>
    </message>
    <message>
        <source>二合一扫描流程结束</source>
        <translation>The two-in-one scan is complete.</translation>
    </message>
    <message>
        <source>receiveDirMissing</source>
        <translation>The pages of the first pass are gone; start the scan again.</translation>
    </message>
    <message>
        <source>invalidScanSetting</source>
        <translation>A setting is not offered by the selected scanner.</translation>
    </message>
    <message>
        <source>has no bytes available for 1 min</source>
        <translation>The scanner sent nothing for a minute.</translation>
    </message>
    <message>
        <source>scannerBusy</source>
        <translation>The scanner is busy. Try again in a moment.</translation>
    </message>
    <message>
        <source>scannerNetworkError</source>
        <translation>The scanner cannot be reached over the network.</translation>
    </message>
    <message>
        <source>checkScannerError</source>
        <translation>The scanner did not answer as expected.</translation>
    </message>
    <message>
        <source>cannotChekPaperSource</source>
        <translation>The paper source cannot be checked.</translation>
    </message>
    <message>
        <source>checkPaperSourceError</source>
        <translation>Checking the paper source failed.</translation>
    </message>
    <message>
        <source>paperSourceNotExist</source>
        <translation>The chosen paper source does not exist on this scanner.</translation>
    </message>
    <message>
        <source>noPaperInADF</source>
        <translation>There is no paper in the document feeder.</translation>
    </message>
    <message>
        <source>openError</source>
        <translation>The scanner cannot be opened.</translation>
    </message>
    <message>
        <source>closeError</source>
        <translation>The scanner cannot be closed.</translation>
    </message>
    <message>
        <source>sndSCommandError</source>
        <translation>Sending the scan settings failed.</translation>
    </message>
    <message>
        <source>sndICommandError</source>
        <translation>Sending the image settings failed.</translation>
    </message>
    <message>
        <source>sndXCommandError</source>
        <translation>Starting the scan failed.</translation>
    </message>
    <message>
        <source>receiveImagesError</source>
        <translation>Receiving the pages failed.</translation>
    </message>
    <message>
        <source>usbTransferImageError</source>
        <translation>The USB transfer of a page failed.</translation>
    </message>
    <message>
        <source>saveImageError</source>
        <translation>A page cannot be saved.</translation>
    </message>
    <message>
        <source>unexpectError</source>
        <translation>An unexpected error occurred.</translation>
    </message>
    <message>
        <source>scanFinished</source>
        <translation>The scan is finished.</translation>
    </message>
    <message>
        <source>scanCancelled</source>
        <translation>The scan was cancelled.</translation>
    </message>
    <message>
        <source>forceInterruptByCommadR</source>
        <translation>The scan was interrupted.</translation>
    </message>
    <message>
        <source>stoppedByDeviceKey</source>
        <translation>The scan was stopped at the scanner.</translation>
    </message>
    <message>
        <source>paperJunck</source>
        <translation>Paper jam.</translation>
    </message>
    <message>
        <source>upperDoorOpen</source>
        <translation>The scanner's cover is open.</translation>
    </message>
    <message>
        <source>cannotScannerByICommandC5</source>
        <translation>The scanner refused the image settings.</translation>
    </message>
    <message>
        <source>scannerMemoryFull</source>
        <translation>The scanner's memory is full.</translation>
    </message>
    <message>
        <source>commandXSyntaxError</source>
        <translation>The scanner did not understand the start command.</translation>
    </message>
    <message>
        <source>paperTooLong</source>
        <translation>The paper is too long.</translation>
    </message>
    <message>
        <source>runPaperFailed</source>
        <translation>Feeding the paper failed.</translation>
    </message>
    <message>
        <source>resetFailed</source>
        <translation>The scanner could not reset.</translation>
    </message>
    <message>
        <source>pushOutPaperFailed</source>
        <translation>Ejecting the paper failed.</translation>
    </message>
    <message>
        <source>unknownScanStatus</source>
        <translation>The scanner reported a status this program does not know.</translation>
    </message>
    <message>
        <source>New Window</source>
        <translation>&amp;New Window</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>Open log folder</source>
        <translation>Open &amp;log folder</translation>
    </message>
    <message>
        <source>File</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>addScannerByAddress</source>
        <translation>Add by address...</translation>
    </message>
    <message>
        <source>scannerAddress</source>
        <translation>IPv4 &amp;address of the scanner:</translation>
    </message>
    <message>
        <source>invalidAddress</source>
        <translation>That is not an IPv4 address (for example 192.168.1.20).</translation>
    </message>
    <message>
        <source>scanInProgress</source>
        <translation>Scanning...</translation>
    </message>
    <message>
        <source>pagesReceived</source>
        <translation>Pages received:</translation>
    </message>
    <message>
        <source>appTitle</source>
        <translation>ScanDesk</translation>
    </message>
    <message>
        <source>cancelScan</source>
        <translation>&amp;Cancel</translation>
    </message>
    <message>
        <source>cancellingScan</source>
        <translation>Cancelling...</translation>
    </message>
    <message>
        <source>openFolder</source>
        <translation>Open &amp;folder</translation>
    </message>
    <message>
        <source>openPdf</source>
        <translation>Open &amp;PDF</translation>
    </message>
    <message>
        <source>identifyModel</source>
        <translation>Ask the scanner</translation>
    </message>
    <message>
        <source>scannerModel</source>
        <translation>&amp;Model:</translation>
    </message>
    <message>
        <source>cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>reviewBeforeSaving</source>
        <translation>Revie&amp;w pages before saving</translation>
    </message>
    <message>
        <source>pagesMenu</source>
        <translation>Pa&amp;ges</translation>
    </message>
    <message>
        <source>savePages</source>
        <translation>&amp;Save</translation>
    </message>
    <message>
        <source>insertScan</source>
        <translation>&amp;Insert scan after the selected page</translation>
    </message>
    <message>
        <source>viewPage</source>
        <translation>&amp;View page</translation>
    </message>
    <message>
        <source>deletePages</source>
        <translation>&amp;Delete</translation>
    </message>
    <message>
        <source>turnClockwise</source>
        <translation>Turn &amp;clockwise</translation>
    </message>
    <message>
        <source>turnCounterClockwise</source>
        <translation>Turn c&amp;ounter-clockwise</translation>
    </message>
    <message>
        <source>moveBack</source>
        <translation>Move &amp;back</translation>
    </message>
    <message>
        <source>moveForward</source>
        <translation>Move &amp;forward</translation>
    </message>
    <message>
        <source>reverseOrder</source>
        <translation>&amp;Reverse order</translation>
    </message>
    <message>
        <source>interleave</source>
        <translation>I&amp;nterleave fronts and backs</translation>
    </message>
    <message>
        <source>undo</source>
        <translation>&amp;Undo</translation>
    </message>
    <message>
        <source>redo</source>
        <translation>R&amp;edo</translation>
    </message>
    <message>
        <source>pageNumber</source>
        <translation>Page %1</translation>
    </message>
    <message>
        <source>blankPage</source>
        <translation>blank</translation>
    </message>
    <message>
        <source>pagesAdded</source>
        <translation>Added %1 page(s) to the document.</translation>
    </message>
    <message>
        <source>pagesNotAdded</source>
        <translation>%1 page(s) could not be added to the document; they stay where the scan left them.</translation>
    </message>
    <message>
        <source>pagesRestored</source>
        <translation>Restored %1 unsaved page(s).</translation>
    </message>
    <message>
        <source>pagesMissing</source>
        <translation>%1 page(s) could not be restored: their files are gone.</translation>
    </message>
    <message>
        <source>interleaveUneven</source>
        <translation>Interleaving needs as many backs as fronts, but the document has %1 page(s).</translation>
    </message>
    <message>
        <source>documentNotStored</source>
        <translation>The document could not be stored: %1</translation>
    </message>
    <message>
        <source>saveNotPossible</source>
        <translation>Choose a scanner and an output folder to save the pages.</translation>
    </message>
    <message>
        <source>saveFailed</source>
        <translation>The pages could not be saved: %1</translation>
    </message>
    <message>
        <source>pagesSaved</source>
        <translation>Saved %1 page(s): %2</translation>
    </message>
    <message>
        <source>searchablePdf</source>
        <translation>Searc&amp;hable PDF</translation>
    </message>
    <message>
        <source>ocrLanguages</source>
        <translation>Text languages</translation>
    </message>
    <message>
        <source>language_eng</source>
        <translation>English</translation>
    </message>
    <message>
        <source>language_chi_sim</source>
        <translation>Simplified Chinese</translation>
    </message>
    <message>
        <source>defaultOcrLanguages</source>
        <translation>eng</translation>
    </message>
    <message>
        <source>recognisingText</source>
        <translation>Recognising text: page %1 of %2</translation>
    </message>
    <message>
        <source>pagesWithoutText</source>
        <translation>%1 page(s) have no text: their recognition failed.</translation>
    </message>
    <message>
        <source>cleanUp</source>
        <translation>Clean &amp;up</translation>
    </message>
    <message>
        <source>setAsideBlankPages</source>
        <translation>Set blank pages aside</translation>
    </message>
    <message>
        <source>straightenPages</source>
        <translation>Straighten pages (PDF)</translation>
    </message>
    <message>
        <source>turnPagesUpright</source>
        <translation>Turn pages upright</translation>
    </message>
    <message>
        <source>blankSetAside</source>
        <translation>%1 blank page(s) set aside in %2.</translation>
    </message>
    <message>
        <source>cleanUpPages</source>
        <translation>Cl&amp;ean up</translation>
    </message>
    <message>
        <source>markBlank</source>
        <translation>Mar&amp;k as blank or not</translation>
    </message>
</context>
</TS>
