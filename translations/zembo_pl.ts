<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="pl_PL">
<context>
    <name>Tools</name>
    <message>
        <source>Error</source>
        <translation>Błąd</translation>
    </message>
    <message>
        <source>Info</source>
        <translation>Informacja</translation>
    </message>
</context>
<context>
    <name>Units</name>
    <message>
        <source>time</source>
        <translation>czas</translation>
    </message>
    <message>
        <source>speed</source>
        <translation>prędkość</translation>
    </message>
    <message>
        <source>power</source>
        <translation>moc</translation>
    </message>
    <message>
        <source>torque</source>
        <translation>moment obrotowy</translation>
    </message>
    <message>
        <source>pressure</source>
        <translation>ciśnienie</translation>
    </message>
    <message>
        <source>temperature</source>
        <translation>temperatura</translation>
    </message>
</context>
</TS>
