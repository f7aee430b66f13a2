SWING.W.1.2.0;Przyk³ad pliku SWING
SD;
DS,SLOWNIK;
ES,0,,opis s³ownika
ES,1,POZ1,pierwsza pozycja, z przecinkiem
X;
SX;
SG;
A,1;
NK,1,Kolor czerwony
FD,LINIA1,1,0.5,1;
SX;
SO;
RR,G5BUD,,10,,;
RKM,1,0,0;
P,G,5712345.12,6543210.34,;
OO,1.0,2.0,3.0;
RF,plik.tif,1F,5;
D,G5IDB,D,146501_1.0001.12_BUD;
X;
SX;
SWINGX;
