// TForm2, the accounts window.
