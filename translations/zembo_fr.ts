<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>Tools</name>
    <message>
        <source>Error</source>
        <translation>Erreur</translation>
    </message>
    <message>
        <source>Info</source>
        <translation>Info</translation>
    </message>
</context>
<context>
    <name>Units</name>
    <message>
        <source>time</source>
        <translation>temps</translation>
    </message>
    <message>
        <source>speed</source>
        <translation>vitesse</translation>
    </message>
    <message>
        <source>power</source>
        <translation>puissance</translation>
    </message>
    <message>
        <source>torque</source>
        <translation>couple</translation>
    </message>
    <message>
        <source>pressure</source>
        <translation>pression</translation>
    </message>
    <message>
        <source>temperature</source>
        <translation>température</translation>
    </message>
</context>
<context>
    <name>MySettings</name>
    <message>
        <source>manual</source>
        <translation>manuel</translation>
    </message>
    <message>
        <source>Whole run</source>
        <translation>Essai complet</translation>
    </message>
</context>
</TS>
