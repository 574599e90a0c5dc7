-- wrk script: the program's feedback form, a short message, every request the same.
wrk.method = "POST"
wrk.headers["Content-Type"] = "application/x-www-form-urlencoded"
wrk.body = "user=bench&name=bench&email=a%40b&title=t&text=a+short+message&image=on&home=H1&time=t"
